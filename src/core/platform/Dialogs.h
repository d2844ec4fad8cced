// Dialogs: the host's modal file choosers for saving and opening one file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace morvelan {

struct FileDialog {
    // Proposed file name of a save dialog; ignored by open dialogs.
    std::string suggestedName;
    // File name extensions offered, without the dot ("json"); empty allows any file.
    std::vector<std::string> extensions;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Asks where to save; nothing when the user cancels. Main thread only.
    virtual std::optional<std::filesystem::path> saveFile(const FileDialog& dialog) = 0;
    // Asks for one existing file; nothing when the user cancels. Main thread only.
    virtual std::optional<std::filesystem::path> openFile(const FileDialog& dialog) = 0;
};

} // namespace morvelan
