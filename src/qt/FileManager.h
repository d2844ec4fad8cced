// FileManager: shows a file selected in the desktop's file manager.
#pragma once

#include <filesystem>

namespace morvelan {

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) to show the
// file; when no file manager answers, opens the file's folder instead. Does not block.
void showInFileManager(const std::filesystem::path& file);

} // namespace morvelan
