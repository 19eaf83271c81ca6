// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The replaceable layer under the CD access functions: a backend lists drives
// and opens them; a device answers for one opened drive. The process uses the
// libcdio backend (libcdio_backend.h) unless SetCDBackend installs another,
// which tests do to produce faults that real drives and images cannot.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"

// A drive as the backend knows it: its list entry and where it is.
struct CDDriveEntry {
    TCDDriveInfo info;
    std::string path;  // device node or image file
    TCDDriveIdentity identity{};
};

struct CDTrackEntry {
    std::uint8_t number = 0;
    bool audio = true;
    std::uint32_t startSector = 0;  // logical sector number (00:02:00 = 0)
};

// The disc's layout as a device reports it.
struct CDDiscLayout {
    std::vector<CDTrackEntry> tracks;  // ascending, at least one
    std::uint32_t leadOut = 0;         // logical sector number of the lead-out
    // Sectors 0..readableEnd-1 can really be read; below leadOut when an
    // image's data file is shorter than its table of contents claims.
    std::uint32_t readableEnd = 0;
};

// What a careful read needs besides its sectors.
struct CDCarefulRead {
    int retries = kCDDefaultReadRetries;  // a multiple of 5, at least 5
    std::stop_token stop;
    std::uint32_t readableEnd = 0;  // of the disc's layout
    // The plain read of the handle's device: careful reading takes every
    // sector through it, so a device wrapping another (as tests do to inject
    // faults) still sees each read.
    std::function<bool(std::uint32_t start, std::uint32_t count, std::uint8_t* dest)> readSectors;
    TCDReadQuality* quality = nullptr;  // counts are added here
};

// One opened drive. Owned by one handle; the handle layer serialises calls,
// so an implementation needs no locking of its own.
class CDDevice {
public:
    virtual ~CDDevice() = default;

    // The layout of the disc in the drive, or nothing without a readable disc.
    [[nodiscard]] virtual std::optional<CDDiscLayout> ReadLayout() = 0;

    // Reads count raw 2352-byte sectors from start into dest; the range is
    // already checked to lie inside the disc. False on a read error.
    [[nodiscard]] virtual bool ReadAudio(std::uint32_t start, std::uint32_t count,
                                         std::uint8_t* dest) = 0;

    // Reads as ReadAudio does, carefully (see TCDReadMode); cdeNoError on
    // success. Devices that cannot read carefully read plainly.
    [[nodiscard]] virtual TCDAccessError ReadAudioCarefully(std::uint32_t start,
                                                            std::uint32_t count, std::uint8_t* dest,
                                                            const CDCarefulRead& how) {
        return how.readSectors(start, count, dest) ? cdeNoError : cdeReadFailed;
    }

    // The disc's CD-Text as the drive gives it, texts not yet cleaned;
    // nothing without a readable disc. Devices that cannot read CD-Text
    // report none.
    [[nodiscard]] virtual std::optional<TCDText> ReadCDText() { return TCDText{}; }

    // 1 changed since the last call, 0 not, -1 failure.
    virtual int MediaChanged() = 0;

    // cdeNoError on success.
    virtual TCDAccessError Eject() = 0;
    virtual TCDAccessError CloseTray() = 0;
};

class CDBackend {
public:
    virtual ~CDBackend() = default;

    // Every drive, real drives first; may be empty.
    [[nodiscard]] virtual std::vector<CDDriveEntry> ListDrives() = 0;

    // Opens a drive from ListDrives, or returns null.
    [[nodiscard]] virtual std::unique_ptr<CDDevice> Open(const CDDriveEntry& drive) = 0;
};

// Installs the backend that later GetCDList and GetCDHandle calls use and
// returns the previous one. Open handles keep the device they were opened on.
std::shared_ptr<CDBackend> SetCDBackend(std::shared_ptr<CDBackend> backend);
