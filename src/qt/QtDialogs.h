// QtDialogs: the Dialogs of the Qt shell, as QFileDialog choosers over a parent window.
#pragma once

#include "core/platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace morvelan {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    std::optional<std::filesystem::path> saveFile(const FileDialog& dialog) override;
    std::optional<std::filesystem::path> openFile(const FileDialog& dialog) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace morvelan
