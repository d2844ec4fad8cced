#include "fakes/MemoryFiles.h"

namespace morvelan {

Result<void> MemoryFiles::createDirectories(const std::filesystem::path& dir) {
    directories.insert(dir);
    return success();
}

Result<std::string> MemoryFiles::read(const std::filesystem::path& file) {
    if (failReads.count(file)) return failure("Permission denied");
    auto it = contents.find(file);
    if (it == contents.end()) return Error{"No such file or directory", true};
    return it->second;
}

Result<void> MemoryFiles::writeAtomic(const std::filesystem::path& file, std::string_view bytes) {
    if (failWrites.count(file)) return failure("No space left on device");
    contents[file] = std::string(bytes);
    ++writes;
    return success();
}

} // namespace morvelan
