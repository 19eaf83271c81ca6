// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/core/file_descriptor.h"

std::optional<std::string> WriteFileWhole(const std::string& path,
                                          std::span<const std::uint8_t> bytes,
                                          TExistingFile existing) {
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".part";
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.IsOpen()) {
        return std::strerror(errno);
    }
    const unsigned flags = existing == TExistingFile::Keep ? RENAME_NOREPLACE : 0;
    const bool done = WriteAt(fd.Get(), bytes, 0) && fd.Close() &&
                      ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), flags) == 0;
    if (!done) {
        const int error = errno != 0 ? errno : EIO;
        ::unlink(temporary.c_str());
        return std::strerror(error);
    }
    return std::nullopt;
}
