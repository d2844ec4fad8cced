// FakeDialogs: Dialogs that record each request and answer with a scripted path.
#pragma once

#include "core/platform/Dialogs.h"

#include <vector>

namespace morvelan {

class FakeDialogs : public Dialogs {
public:
    std::optional<std::filesystem::path> saveFile(const FileDialog& dialog) override {
        saves.push_back(dialog);
        return saveAnswer;
    }
    std::optional<std::filesystem::path> openFile(const FileDialog& dialog) override {
        opens.push_back(dialog);
        return openAnswer;
    }

    std::vector<FileDialog> saves;
    std::vector<FileDialog> opens;
    std::optional<std::filesystem::path> saveAnswer; // nothing: the user cancels
    std::optional<std::filesystem::path> openAnswer;
};

} // namespace morvelan
