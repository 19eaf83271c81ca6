// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/access/libcdio_backend.h"

#include "cd/access/paranoia_reader.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace {

// Sectors per libcdio read call; drives refuse much larger transfers.
constexpr std::uint32_t kSectorsPerRead = 26;
constexpr std::uint8_t kRealDriveAdapter = 0;
constexpr std::uint8_t kImageAdapter = 1;

struct CdioDeleter {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioDeleter>;

struct DeviceListDeleter {
    void operator()(char** list) const { cdio_free_device_list(list); }
};

// libcdio writes warnings to stderr; the program reports failures itself.
void IgnoreLibcdioLog(cdio_log_level_t, const char*) {}

void SilenceLibcdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(IgnoreLibcdioLog); });
}

// Copies text into a zero-terminated field, cut to fit, trailing blanks removed.
template <std::size_t N>
void CopyField(char (&field)[N], std::string_view text) {
    text = text.substr(0, N - 1);
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size());
}

// Inquiry fields are blank-padded; the padding is not part of the name.
std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos
               ? ""
               : std::string(text.substr(first, text.find_last_not_of(' ') + 1 - first));
}

// Vendor names fill 8 blank-padded characters, as in a drive's inquiry data,
// so that vendor and product joined directly still read as two words.
void CopyVendor(char (&field)[9], std::string_view text) {
    CopyField(field, text);
    for (std::size_t i = std::strlen(field); i < sizeof field - 1; ++i) {
        field[i] = ' ';
    }
}

driver_id_t ImageDriver(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".cue") {
        return DRIVER_BINCUE;
    }
    if (extension == ".toc") {
        return DRIVER_CDRDAO;
    }
    if (extension == ".nrg") {
        return DRIVER_NRG;
    }
    return DRIVER_UNKNOWN;
}

bool IsImageDriver(driver_id_t driver) {
    return driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO || driver == DRIVER_NRG;
}

// Whole sectors in a BIN/CUE image's data file. libcdio rounds a partial last
// sector up into the lead-out and then "reads" it as success with the buffer
// only partly filled, so the readable end is taken from the file itself.
std::optional<std::uint32_t> BinCueWholeSectors(CdIo_t* cdio) {
    const char* source = cdio_get_arg(cdio, "source");
    std::error_code error;
    const auto bytes = source ? std::filesystem::file_size(source, error) : 0;
    if (source == nullptr || error) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(bytes / CDIO_CD_FRAMESIZE_RAW);
}

// Whether an image's files are all there: the image file and, for BIN/CUE,
// its data file.
bool ImageFilesPresent(const std::string& imagePath, const std::string& dataPath) {
    std::error_code error;
    return std::filesystem::is_regular_file(imagePath, error) &&
           (dataPath.empty() || std::filesystem::is_regular_file(dataPath, error));
}

// libcdio gives CD-Text as UTF-8 (decoding the disc's ISO-8859-1 itself).
std::string CDTextField(const cdtext_t* cdtext, cdtext_field_t field, track_t track) {
    const char* value = cdtext_get_const(cdtext, field, track);
    return value != nullptr ? value : "";
}

class LibcdioDevice : public CDDevice {
public:
    LibcdioDevice(CdioPtr cdio, std::string path, driver_id_t driver)
        : m_cdio(std::move(cdio)), m_path(std::move(path)), m_driver(driver) {
        RememberDataPath();
    }

    std::optional<CDDiscLayout> ReadLayout() override {
        if (!ReachDisc()) {
            return std::nullopt;
        }
        CdIo_t* cdio = m_cdio.get();
        const track_t first = cdio_get_first_track_num(cdio);
        const track_t count = cdio_get_num_tracks(cdio);
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
            return std::nullopt;
        }
        CDDiscLayout layout;
        for (track_t n = first; n < first + count; ++n) {
            const lsn_t start = cdio_get_track_lsn(cdio, n);
            if (start == CDIO_INVALID_LSN || start < 0) {
                return std::nullopt;
            }
            layout.tracks.push_back({static_cast<std::uint8_t>(n),
                                     cdio_get_track_format(cdio, n) == TRACK_FORMAT_AUDIO,
                                     static_cast<std::uint32_t>(start)});
        }
        const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
        if (leadOut == CDIO_INVALID_LSN || leadOut < 0) {
            return std::nullopt;
        }
        layout.leadOut = static_cast<std::uint32_t>(leadOut);
        layout.readableEnd = layout.leadOut;
        if (m_driver == DRIVER_BINCUE) {
            const auto whole = BinCueWholeSectors(cdio);
            if (!whole) {
                return std::nullopt;
            }
            layout.readableEnd = std::min(layout.readableEnd, *whole);
        }
        return layout;
    }

    std::optional<TCDText> ReadCDText() override {
        if (!ReachDisc()) {
            return std::nullopt;
        }
        CdIo_t* cdio = m_cdio.get();
        const track_t first = cdio_get_first_track_num(cdio);
        const track_t last = cdio_get_last_track_num(cdio);
        if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK) {
            return std::nullopt;
        }
        TCDText text;
        cdtext_t* cdtext = cdio_get_cdtext(cdio);  // owned by cdio
        if (cdtext == nullptr) {
            return text;
        }
        // Of several language blocks English, else the first.
        if (!cdtext_select_language(cdtext, CDTEXT_LANGUAGE_ENGLISH)) {
            cdtext_set_language_index(cdtext, 0);
        }
        text.Title = CDTextField(cdtext, CDTEXT_FIELD_TITLE, 0);
        text.Performer = CDTextField(cdtext, CDTEXT_FIELD_PERFORMER, 0);
        // The text's own first/last track are 0 on images: use the table's.
        for (track_t n = first; n <= last; ++n) {
            text.Tracks.push_back({static_cast<std::uint8_t>(n),
                                   CDTextField(cdtext, CDTEXT_FIELD_TITLE, n),
                                   CDTextField(cdtext, CDTEXT_FIELD_PERFORMER, n)});
        }
        return text;
    }

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        while (count > 0) {
            const std::uint32_t n = std::min(count, kSectorsPerRead);
            if (cdio_read_audio_sectors(m_cdio.get(), dest, static_cast<lsn_t>(start), n) !=
                DRIVER_OP_SUCCESS) {
                return false;
            }
            start += n;
            count -= n;
            dest += std::size_t{n} * CDIO_CD_FRAMESIZE_RAW;
        }
        return true;
    }

    TCDAccessError ReadAudioCarefully(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                      const CDCarefulRead& how) override {
        if (!m_paranoia) {
            m_paranoia = ParanoiaReader::Open(m_cdio.get());
        }
        return m_paranoia ? m_paranoia->Read(start, count, dest, how) : cdeUnsupported;
    }

    int MediaChanged() override {
        if (IsImageDriver(m_driver)) {
            return ImageChanged();
        }
        const int changed = cdio_get_media_changed(m_cdio.get());
        return changed < 0 ? -1 : changed;
    }

    // Ejecting through our own CdIo_t would destroy it (and, for images,
    // leave it half freed), so the drive is reached by its name instead.
    TCDAccessError Eject() override {
        if (IsImageDriver(m_driver)) {
            return cdeUnsupported;
        }
        return cdio_eject_media_drive(m_path.c_str()) == DRIVER_OP_SUCCESS ? cdeNoError
                                                                           : cdeReadFailed;
    }

    TCDAccessError CloseTray() override {
        if (IsImageDriver(m_driver)) {
            return cdeUnsupported;
        }
        driver_id_t driver = m_driver;
        return cdio_close_tray(m_path.c_str(), &driver) == DRIVER_OP_SUCCESS ? cdeNoError
                                                                             : cdeReadFailed;
    }

private:
    // Whether a disc is there to read, with m_cdio up to date.
    bool ReachDisc() {
        if (IsImageDriver(m_driver)) {
            return ImageFilesPresent(m_path, m_dataPath);  // taken away: no disc
        }
        // A drive's disc may have changed since the handle was opened, and
        // libcdio keeps the first table of contents it read: open afresh.
        CdioPtr fresh(cdio_open(m_path.c_str(), m_driver));
        if (!fresh) {
            return false;
        }
        Replace(std::move(fresh));
        return true;
    }

    // The careful-read session belongs to the CdIo_t it was opened on and
    // holds that disc's table of contents: it ends with it, and the next
    // careful read opens one on the fresh CdIo_t.
    void Replace(CdioPtr fresh) {
        m_paranoia.reset();
        m_cdio = std::move(fresh);
    }

    void RememberDataPath() {
        const char* source =
            m_driver == DRIVER_BINCUE ? cdio_get_arg(m_cdio.get(), "source") : nullptr;
        m_dataPath = source != nullptr ? source : "";
    }

    // An image counts as removed while its files are gone and as inserted
    // again once they are back, when it is opened afresh (its table of
    // contents may differ). 1 on either change.
    int ImageChanged() {
        const bool present = ImageFilesPresent(m_path, m_dataPath);
        if (present == m_present) {
            return 0;
        }
        if (present) {
            CdioPtr fresh(cdio_open(m_path.c_str(), m_driver));
            if (!fresh) {
                return 0;  // not readable yet: still removed
            }
            Replace(std::move(fresh));
            RememberDataPath();
        }
        m_present = present;
        return 1;
    }

    CdioPtr m_cdio;
    std::unique_ptr<ParanoiaReader> m_paranoia;  // opened at the first careful read
    std::string m_path;
    driver_id_t m_driver;
    std::string m_dataPath;  // a BIN/CUE image's data file; empty for others
    bool m_present = true;   // an image's files were there at the last look
};

std::vector<std::string> ImagePaths() {
    std::vector<std::string> paths;
    const char* value = std::getenv(kDiscImagesVariable);
    std::string_view rest = value ? value : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view path = rest.substr(0, colon);
        if (!path.empty()) {
            paths.emplace_back(path);
        }
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    return paths;
}

CDDriveEntry RealDriveEntry(const char* device, std::uint8_t index) {
    CDDriveEntry entry;
    entry.path = device;
    entry.info.Adapter = kRealDriveAdapter;
    entry.info.Target = index;
    cdio_hwinfo_t hwinfo{};
    CdioPtr cdio(cdio_open(device, DRIVER_LINUX));
    if (cdio && cdio_get_hwinfo(cdio.get(), &hwinfo)) {
        CopyVendor(entry.info.Vendor, hwinfo.psz_vendor);
        CopyField(entry.info.Product, hwinfo.psz_model);
        entry.identity = {Trimmed(hwinfo.psz_vendor), Trimmed(hwinfo.psz_model),
                          Trimmed(hwinfo.psz_revision), false};
    } else {
        CopyField(entry.info.Product, std::filesystem::path(device).filename().string());
    }
    return entry;
}

// Why an image cannot serve as a drive; empty when it can.
std::string ImageProblem(const std::string& path) {
    const driver_id_t driver = ImageDriver(path);
    if (driver == DRIVER_UNKNOWN) {
        return "not a .cue, .toc or .nrg image";
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return "no such file";
    }
    if (!CdioPtr(cdio_open(path.c_str(), driver))) {
        return "unreadable image or data file";
    }
    return {};
}

// Says once per image, on stderr, why it is left out of the drive list.
void ReportUnusableImage(const std::string& path, const std::string& problem) {
    static std::mutex lock;
    static std::set<std::string> reported;
    std::lock_guard guard(lock);
    if (reported.insert(path).second) {
        std::fprintf(stderr, "Brisklark: disc image %s left out: %s\n", path.c_str(),
                     problem.c_str());
    }
}

class LibcdioBackend : public CDBackend {
public:
    LibcdioBackend() { SilenceLibcdio(); }

    std::vector<CDDriveEntry> ListDrives() override {
        std::vector<CDDriveEntry> drives;
        // With no drive DRIVER_LINUX gives an empty list, other drivers null.
        std::unique_ptr<char*, DeviceListDeleter> devices(cdio_get_devices(DRIVER_LINUX));
        for (char** device = devices.get(); device && *device; ++device) {
            drives.push_back(RealDriveEntry(*device, static_cast<std::uint8_t>(drives.size())));
        }
        std::uint8_t imageIndex = 0;
        for (const std::string& path : ImagePaths()) {
            if (const std::string problem = ImageProblem(path); !problem.empty()) {
                ReportUnusableImage(path, problem);
                continue;
            }
            CDDriveEntry entry;
            entry.path = path;
            entry.info.Adapter = kImageAdapter;
            entry.info.Target = imageIndex++;
            CopyVendor(entry.info.Vendor, "Image");
            const std::string fileName = std::filesystem::path(path).filename().string();
            CopyField(entry.info.Product, fileName);
            entry.identity = {"Image", fileName, "", true};
            drives.push_back(entry);
        }
        return drives;
    }

    std::unique_ptr<CDDevice> Open(const CDDriveEntry& drive) override {
        const driver_id_t wanted =
            drive.info.Adapter == kImageAdapter ? ImageDriver(drive.path) : DRIVER_LINUX;
        CdioPtr cdio(cdio_open(drive.path.c_str(), wanted));
        if (!cdio) {
            return nullptr;
        }
        const driver_id_t driver = cdio_get_driver_id(cdio.get());
        return std::make_unique<LibcdioDevice>(std::move(cdio), drive.path, driver);
    }
};

}  // namespace

std::unique_ptr<CDBackend> MakeLibcdioBackend() {
    return std::make_unique<LibcdioBackend>();
}
