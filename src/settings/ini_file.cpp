// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>
#include <system_error>

#include "audio/core/file_descriptor.h"

namespace {

std::string ErrorText(const std::filesystem::path& file, const char* what, int error) {
    return std::string(what) + " \"" + file.string() + "\": " + std::strerror(error);
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A symbolic link is followed, so that replacing the file keeps the link.
std::filesystem::path FileToReplace(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_symlink(file, error)) {
        std::filesystem::path target = std::filesystem::weakly_canonical(file, error);
        if (!error) {
            return target;
        }
    }
    return file;
}

}  // namespace

TIniFile::TIniFile() : m_ini(/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false) {
    m_ini.SetSpaces(false);
}

TSettingsResult TIniFile::Load(const std::filesystem::path& file) {
    m_ini.Reset();
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    // Anything else (a folder, a device, a FIFO) must not reach the reader,
    // which would take a folder's size for text or block on a FIFO.
    if (status.type() != std::filesystem::file_type::regular) {
        return TSettingsResult::Failure("Can not read \"" + file.string() +
                                        "\": not a regular file");
    }
    errno = 0;
    if (m_ini.LoadFile(file.c_str()) < 0) {
        const int reason = errno != 0 ? errno : EIO;
        m_ini.Reset();
        return TSettingsResult::Failure(ErrorText(file, "Can not read", reason));
    }
    return {};
}

TSettingsResult TIniFile::Save(const std::filesystem::path& file) const {
    std::string text;
    if (m_ini.Save(text, /*addSignature=*/false) < 0) {
        return TSettingsResult::Failure("Can not format \"" + file.string() + "\"");
    }
    const std::filesystem::path target = FileToReplace(file);
    std::filesystem::path temporary = target;
    temporary += ".tmp";

    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.IsOpen()) {
        return TSettingsResult::Failure(ErrorText(temporary, "Can not create", errno));
    }
    // The new file takes the old one's place, so it takes its permissions
    // too (a file kept private stays private).
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd.Get(), old.st_mode & 07777) != 0) {
        const int chmodError = errno;
        ::unlink(temporary.c_str());
        return TSettingsResult::Failure(
            ErrorText(temporary, "Can not set the permissions of", chmodError));
    }
    const bool written = WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
    const int writeError = errno;
    if (!fd.Close() || !written) {
        ::unlink(temporary.c_str());
        return TSettingsResult::Failure(ErrorText(temporary, "Can not write", writeError));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return TSettingsResult::Failure(ErrorText(target, "Can not replace", renameError));
    }
    return {};
}

bool TIniFile::HasSection(const char* section) const {
    return m_ini.GetSectionSize(section) >= 0;
}

std::string TIniFile::ReadString(const char* section, const char* key,
                                 const std::string& defaultValue) const {
    const char* value = m_ini.GetValue(section, key, nullptr);
    return value != nullptr ? std::string(value) : defaultValue;
}

std::int32_t TIniFile::ReadInteger(const char* section, const char* key,
                                   std::int32_t defaultValue) const {
    const char* value = m_ini.GetValue(section, key, nullptr);
    if (value == nullptr) {
        return defaultValue;
    }
    const std::string_view text(value);
    std::int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return defaultValue;
    }
    return number;
}

bool TIniFile::ReadBool(const char* section, const char* key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSection(const char* section) const {
    CSimpleIniA::TNamesDepend keys;
    m_ini.GetAllKeys(section, keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::pair<std::string, std::string>> entries;
    for (const CSimpleIniA::Entry& key : keys) {
        entries.emplace_back(key.pItem, m_ini.GetValue(section, key.pItem, ""));
    }
    return entries;
}

void TIniFile::WriteString(const char* section, const char* key, const std::string& value) {
    std::string oneLine = value;
    for (char& c : oneLine) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    m_ini.SetValue(section, key, oneLine.c_str());
}

void TIniFile::WriteInteger(const char* section, const char* key, std::int32_t value) {
    m_ini.SetValue(section, key, std::to_string(value).c_str());
}

void TIniFile::WriteBool(const char* section, const char* key, bool value) {
    m_ini.SetValue(section, key, value ? "1" : "0");
}
