#include "SyncDir.h"

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

void SyncDirectoryOf(const std::string& fileName) {
    std::error_code error;  // a working folder that has gone is no reason to throw
    std::filesystem::path dir = std::filesystem::absolute(fileName, error).parent_path();
    if (error) {
        return;
    }
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
