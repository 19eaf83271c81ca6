// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/access/cd_access.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string_view>

#include "cd/access/cd_access_internal.h"
#include "cd/access/cd_backend.h"
#include "cd/access/libcdio_backend.h"

namespace {

constexpr std::uint32_t kLeadInSectors = 150;  // 00:02:00
constexpr std::uint32_t kSectorsPerMinute = 60 * 75;
constexpr std::int64_t kSamplesPerSector = kCDSectorBytes / 4;
constexpr int kRetryStep = 5;

thread_local int t_lastError = cdeNoError;

int Fail(TCDAccessError error) {
    t_lastError = error;
    return 0;
}

int Succeed() {
    t_lastError = cdeNoError;
    return 1;
}

// One open handle. Its mutex serialises the device calls of all threads.
struct OpenDrive {
    std::mutex mutex;
    std::unique_ptr<CDDevice> device;
    bool msf = false;                    // ReadTOC gives minute/second/frame addresses
    std::optional<CDDiscLayout> layout;  // from the last successful layout read
    TCDDriveIdentity identity;
    std::string path;  // device node or image file
    TCDReadMode mode;
    TCDReadQuality quality;
    std::vector<std::uint8_t> shifted;  // the raw sectors behind an offset-corrected read
};

// Careful reading checks its retry count only at multiples of 5; any other
// count never ends the retries of a sector that cannot be read.
int UsableRetries(int retries) {
    const int bounded = std::clamp(retries, kRetryStep, kCDMaxReadRetries);
    return (bounded + kRetryStep - 1) / kRetryStep * kRetryStep;
}

// Reads count sectors from start without offset correction. The drive's
// mutex must be held.
TCDAccessError ReadRaw(OpenDrive& drive, const CDDiscLayout& layout, std::uint32_t start,
                       std::uint32_t count, std::uint8_t* dest, std::stop_token stop) {
    CDDevice& device = *drive.device;
    if (!drive.mode.Careful) {
        return device.ReadAudio(start, count, dest) ? cdeNoError : cdeReadFailed;
    }
    const CDCarefulRead how{drive.mode.Retries, std::move(stop), layout.readableEnd,
                            [&device](std::uint32_t s, std::uint32_t n, std::uint8_t* d) {
                                return device.ReadAudio(s, n, d);
                            },
                            &drive.quality};
    return device.ReadAudioCarefully(start, count, dest, how);
}

// Reads count sectors' worth of samples from start with the mode's offset
// correction: sample i of dest is raw sample i + offset, silence where that
// lies outside the disc. The drive's mutex must be held.
TCDAccessError ReadCorrected(OpenDrive& drive, const CDDiscLayout& layout, std::uint32_t start,
                             std::uint32_t count, std::uint8_t* dest, std::stop_token stop) {
    const std::int64_t offset = drive.mode.OffsetSamples;
    if (offset == 0) {
        return ReadRaw(drive, layout, start, count, dest, std::move(stop));
    }
    const std::int64_t first = start * kSamplesPerSector + offset;
    const std::int64_t end = first + count * kSamplesPerSector;
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min<std::int64_t>(end, layout.readableEnd * kSamplesPerSector);
    std::memset(dest, 0, std::size_t{count} * kCDSectorBytes);
    if (from >= to) {
        return cdeNoError;
    }
    const auto rawStart = static_cast<std::uint32_t>(from / kSamplesPerSector);
    const auto rawEnd =
        static_cast<std::uint32_t>((to + kSamplesPerSector - 1) / kSamplesPerSector);
    drive.shifted.resize(std::size_t{rawEnd - rawStart} * kCDSectorBytes);
    const TCDAccessError error =
        ReadRaw(drive, layout, rawStart, rawEnd - rawStart, drive.shifted.data(), std::move(stop));
    if (error == cdeNoError) {
        std::memcpy(dest + (from - first) * 4,
                    drive.shifted.data() + (from - rawStart * kSamplesPerSector) * 4,
                    static_cast<std::size_t>(to - from) * 4);
    }
    return error;
}

// The process-wide backend and handle table; slot h - 1 holds handle h.
class HandleTable {
public:
    static HandleTable& Instance() {
        static HandleTable table;
        return table;
    }

    std::shared_ptr<CDBackend> Backend() {
        std::lock_guard lock(m_mutex);
        if (!m_backend) {
            m_backend = MakeLibcdioBackend();
        }
        return m_backend;
    }

    std::shared_ptr<CDBackend> SetBackend(std::shared_ptr<CDBackend> backend) {
        std::lock_guard lock(m_mutex);
        std::swap(m_backend, backend);
        return backend;
    }

    bool HasFreeSlot() {
        std::lock_guard lock(m_mutex);
        return std::find(m_slots.begin(), m_slots.end(), nullptr) != m_slots.end();
    }

    // The new handle, or 0 when every slot is taken.
    TCDHandle Add(std::shared_ptr<OpenDrive> drive) {
        std::lock_guard lock(m_mutex);
        const auto slot = std::find(m_slots.begin(), m_slots.end(), nullptr);
        if (slot == m_slots.end()) {
            return 0;
        }
        *slot = std::move(drive);
        return static_cast<TCDHandle>(slot - m_slots.begin() + 1);
    }

    std::shared_ptr<OpenDrive> Find(TCDHandle handle) {
        std::lock_guard lock(m_mutex);
        return InRange(handle) ? m_slots[handle - 1] : nullptr;
    }

    // The drive is destroyed once no call on it is still running.
    bool Remove(TCDHandle handle) {
        std::lock_guard lock(m_mutex);
        if (!InRange(handle) || !m_slots[handle - 1]) {
            return false;
        }
        m_slots[handle - 1].reset();
        return true;
    }

private:
    static bool InRange(TCDHandle handle) { return handle >= 1 && handle <= kMaxCDHandles; }

    std::mutex m_mutex;
    std::shared_ptr<CDBackend> m_backend;
    std::array<std::shared_ptr<OpenDrive>, kMaxCDHandles> m_slots;
};

// Reads the layout afresh and keeps it for the range checks of later reads.
// The drive's mutex must be held.
const CDDiscLayout* RefreshLayout(OpenDrive& drive) {
    drive.layout = drive.device->ReadLayout();
    return drive.layout ? &*drive.layout : nullptr;
}

bool IsValid(const CDDiscLayout& layout) {
    if (layout.tracks.empty() || layout.tracks.size() >= kMaxTOCEntries) {
        return false;
    }
    for (std::size_t i = 0; i < layout.tracks.size(); ++i) {
        const std::uint32_t next =
            i + 1 < layout.tracks.size() ? layout.tracks[i + 1].startSector : layout.leadOut;
        if (layout.tracks[i].startSector >= next ||
            (i > 0 && layout.tracks[i].number != layout.tracks[i - 1].number + 1)) {
            return false;
        }
    }
    return true;
}

TTOCTrack TocEntry(std::uint8_t number, bool audio, std::uint32_t sector, bool msf) {
    TTOCTrack entry;
    entry.TrackNumber = number;
    entry.AdrControl = audio ? 0x10 : 0x14;
    if (msf) {
        const std::uint32_t address = sector + kLeadInSectors;
        entry.Address[1] = static_cast<std::uint8_t>(address / kSectorsPerMinute);
        entry.Address[2] = static_cast<std::uint8_t>(address / 75 % 60);
        entry.Address[3] = static_cast<std::uint8_t>(address % 75);
    } else {
        for (int i = 0; i < 4; ++i) {
            entry.Address[i] = static_cast<std::uint8_t>(sector >> (24 - 8 * i));
        }
    }
    return entry;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at text[i] with its code
// point, or 0 when the bytes there are not one.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = codePoint << 6 | (byte(i + k) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    return codePoint < kSmallest[length] || codePoint > 0x10FFFF || surrogate ? 0 : length;
}

// A disc's text made safe to show: malformed UTF-8 becomes U+FFFD, control
// characters spaces, the ends are trimmed and the length capped without
// cutting a character.
std::string CleanCDText(std::string_view raw) {
    std::string text;
    for (std::size_t i = 0; i < raw.size();) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceAt(raw, i, codePoint);
        const bool control =
            length > 0 && (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0));
        const std::string_view piece = length == 0 ? kReplacementCharacter
                                       : control   ? " "
                                                   : raw.substr(i, length);
        if (text.size() + piece.size() > kCDTextMaxBytes) {
            break;
        }
        text += piece;
        i += std::max<std::size_t>(length, 1);
    }
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

TCDText CleanCDText(const TCDText& raw) {
    TCDText text{CleanCDText(raw.Title), CleanCDText(raw.Performer), {}};
    for (const TCDTextTrack& track : raw.Tracks) {
        TCDTextTrack clean{track.Number, CleanCDText(track.Title), CleanCDText(track.Performer)};
        if (!clean.Title.empty() || !clean.Performer.empty()) {
            text.Tracks.push_back(std::move(clean));
        }
    }
    return text;
}

}  // namespace

std::shared_ptr<CDBackend> SetCDBackend(std::shared_ptr<CDBackend> backend) {
    return HandleTable::Instance().SetBackend(std::move(backend));
}

TTrackBuf MakeTrackBuf(std::uint32_t start, std::uint32_t count) {
    TTrackBuf buffer;
    buffer.StartFrame = start;
    buffer.NumFrames = count;
    buffer.MaxLen = count * kCDSectorBytes;
    buffer.Buf.resize(buffer.MaxLen);
    return buffer;
}

int GetCDList(TCDList* list) {
    if (list == nullptr || list->Max == 0) {
        return Fail(cdeBadArgument);
    }
    const std::vector<CDDriveEntry> drives = HandleTable::Instance().Backend()->ListDrives();
    const std::size_t capacity = std::min<std::size_t>(list->Max, kMaxCDDrives);
    list->Num = static_cast<std::uint8_t>(std::min(drives.size(), capacity));
    for (std::size_t i = 0; i < list->Num; ++i) {
        list->Drives[i] = drives[i].info;
    }
    return Succeed();
}

std::vector<std::string> GetCDDrivePaths() {
    std::vector<std::string> paths;
    for (const CDDriveEntry& drive : HandleTable::Instance().Backend()->ListDrives()) {
        if (paths.size() == kMaxCDDrives) {
            break;
        }
        paths.push_back(drive.path);
    }
    return paths;
}

TCDHandle GetCDHandle(const TGetCDHandle* request) {
    if (request == nullptr) {
        return Fail(cdeBadArgument);
    }
    HandleTable& table = HandleTable::Instance();
    if (!table.HasFreeSlot()) {
        return Fail(cdeTooManyHandles);
    }
    const std::shared_ptr<CDBackend> backend = table.Backend();
    const std::vector<CDDriveEntry> drives = backend->ListDrives();
    const auto entry = std::find_if(drives.begin(), drives.end(), [&](const CDDriveEntry& d) {
        return d.info.Adapter == request->Adapter && d.info.Target == request->Target &&
               d.info.Lun == request->Lun;
    });
    if (entry == drives.end()) {
        return Fail(cdeNoSuchDrive);
    }
    auto drive = std::make_shared<OpenDrive>();
    drive->identity = entry->identity;
    drive->path = entry->path;
    drive->device = backend->Open(*entry);
    if (!drive->device) {
        return Fail(cdeOpenFailed);
    }
    const TCDHandle handle = table.Add(std::move(drive));
    if (handle == 0) {
        return Fail(cdeTooManyHandles);
    }
    Succeed();
    return handle;
}

int CloseCDHandle(TCDHandle handle) {
    return HandleTable::Instance().Remove(handle) ? Succeed() : Fail(cdeInvalidHandle);
}

int ModifyCDParms(TCDHandle handle, int parameter, std::uint32_t value) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    if (parameter != kCDParmMSF || value > 1) {
        return Fail(cdeBadArgument);
    }
    std::lock_guard lock(drive->mutex);
    drive->msf = value == 1;
    return Succeed();
}

int ReadTOC(TCDHandle handle, TTOC* toc) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    if (toc == nullptr) {
        return Fail(cdeBadArgument);
    }
    std::lock_guard lock(drive->mutex);
    const CDDiscLayout* layout = RefreshLayout(*drive);
    if (layout == nullptr || !IsValid(*layout)) {
        return Fail(cdeNoDisc);
    }
    *toc = TTOC{};
    const std::size_t count = layout->tracks.size();
    toc->FirstTrack = layout->tracks.front().number;
    toc->LastTrack = layout->tracks.back().number;
    toc->TocLength = static_cast<std::uint16_t>(2 + sizeof(TTOCTrack) * (count + 1));
    for (std::size_t i = 0; i < count; ++i) {
        const CDTrackEntry& track = layout->tracks[i];
        toc->Tracks[i] = TocEntry(track.number, track.audio, track.startSector, drive->msf);
    }
    toc->Tracks[count] = TocEntry(kLeadOutTrack, true, layout->leadOut, drive->msf);
    return Succeed();
}

int ReadCDAudioLBA(TCDHandle handle, TTrackBuf* buffer, std::stop_token stop) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    if (buffer == nullptr) {
        return Fail(cdeBadArgument);
    }
    buffer->Len = 0;
    buffer->StartOffset = 0;
    const std::uint64_t bytes = std::uint64_t{buffer->NumFrames} * kCDSectorBytes;
    if (buffer->NumFrames == 0 || buffer->MaxLen < bytes || buffer->Buf.size() < buffer->MaxLen) {
        return Fail(cdeBadArgument);
    }
    std::lock_guard lock(drive->mutex);
    const CDDiscLayout* layout = drive->layout ? &*drive->layout : RefreshLayout(*drive);
    if (layout == nullptr) {
        return Fail(cdeNoDisc);
    }
    const std::uint64_t end = std::uint64_t{buffer->StartFrame} + buffer->NumFrames;
    if (end > layout->readableEnd) {
        return Fail(cdeOutOfRange);
    }
    const TCDAccessError error =
        ReadCorrected(*drive, *layout, buffer->StartFrame, buffer->NumFrames, buffer->Buf.data(),
                      std::move(stop));
    if (error != cdeNoError) {
        return Fail(error);
    }
    buffer->Len = static_cast<std::uint32_t>(bytes);
    return Succeed();
}

int SetCDReadMode(TCDHandle handle, const TCDReadMode& mode) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    if (mode.OffsetSamples < -kCDMaxReadOffset || mode.OffsetSamples > kCDMaxReadOffset) {
        return Fail(cdeBadArgument);
    }
    std::lock_guard lock(drive->mutex);
    drive->mode = mode;
    drive->mode.Retries = UsableRetries(mode.Retries);
    return Succeed();
}

int GetCDReadMode(TCDHandle handle, TCDReadMode* mode) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive || mode == nullptr) {
        return Fail(drive ? cdeBadArgument : cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    *mode = drive->mode;
    return Succeed();
}

int GetCDReadQuality(TCDHandle handle, TCDReadQuality* quality) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive || quality == nullptr) {
        return Fail(drive ? cdeBadArgument : cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    *quality = drive->quality;
    return Succeed();
}

int ResetCDReadQuality(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    drive->quality = {};
    return Succeed();
}

int GetCDDriveIdentity(TCDHandle handle, TCDDriveIdentity* identity) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive || identity == nullptr) {
        return Fail(drive ? cdeBadArgument : cdeInvalidHandle);
    }
    *identity = drive->identity;  // fixed when the handle opened
    return Succeed();
}

int GetCDDrivePath(TCDHandle handle, std::string* path) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive || path == nullptr) {
        return Fail(drive ? cdeBadArgument : cdeInvalidHandle);
    }
    *path = drive->path;  // fixed when the handle opened
    return Succeed();
}

int ReadCDText(TCDHandle handle, TCDText* text) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    if (text == nullptr) {
        return Fail(cdeBadArgument);
    }
    std::lock_guard lock(drive->mutex);
    const std::optional<TCDText> raw = drive->device->ReadCDText();
    if (!raw) {
        return Fail(cdeNoDisc);
    }
    *text = CleanCDText(*raw);
    return Succeed();
}

int SetCDAccessResult(TCDAccessError error) {
    return error == cdeNoError ? Succeed() : Fail(error);
}

std::optional<CDDiscLayout> ReadDiscLayout(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        Fail(cdeInvalidHandle);
        return std::nullopt;
    }
    std::lock_guard lock(drive->mutex);
    const CDDiscLayout* layout = RefreshLayout(*drive);
    if (layout == nullptr || !IsValid(*layout)) {
        Fail(cdeNoDisc);
        return std::nullopt;
    }
    Succeed();
    return *layout;
}

int GetAspiLibError() {
    return t_lastError;
}

int CDHasAudioTrack(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    const CDDiscLayout* layout = RefreshLayout(*drive);
    if (layout == nullptr) {
        return Fail(cdeNoDisc);
    }
    const bool audio = std::any_of(layout->tracks.begin(), layout->tracks.end(),
                                   [](const CDTrackEntry& track) { return track.audio; });
    t_lastError = cdeNoError;
    return audio ? 1 : 0;
}

int CDMediaChanged(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        Fail(cdeInvalidHandle);
        return -1;
    }
    // The media poll must not wait behind a read, which may take long when
    // careful reading retries a bad sector. A disc being read is there.
    std::unique_lock lock(drive->mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        t_lastError = cdeNoError;
        return 0;
    }
    const int changed = drive->device->MediaChanged();
    if (changed < 0) {
        Fail(cdeReadFailed);
        return -1;
    }
    t_lastError = cdeNoError;
    return changed;
}

int EjectCD(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    const TCDAccessError error = drive->device->Eject();
    return error == cdeNoError ? Succeed() : Fail(error);
}

int CloseCDTray(TCDHandle handle) {
    const auto drive = HandleTable::Instance().Find(handle);
    if (!drive) {
        return Fail(cdeInvalidHandle);
    }
    std::lock_guard lock(drive->mutex);
    const TCDAccessError error = drive->device->CloseTray();
    return error == cdeNoError ? Succeed() : Fail(error);
}
