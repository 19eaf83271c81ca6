// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Careful reading of one libcdio drive or image with libcdio-paranoia.

#include <cdio/cdio.h>

#include <array>
#include <cstdint>
#include <memory>

#include "cd/access/cd_backend.h"

struct cdrom_drive_s;
struct cdrom_paranoia_s;

// A paranoia session on a CdIo_t that the caller owns and keeps open for the
// session's whole life: the session must end before the CdIo_t is destroyed
// or replaced, since it holds the disc's table of contents as read at Open.
class ParanoiaReader {
public:
    // Null when paranoia cannot run on the disc.
    [[nodiscard]] static std::unique_ptr<ParanoiaReader> Open(CdIo_t* cdio);
    ~ParanoiaReader();
    ParanoiaReader(const ParanoiaReader&) = delete;
    ParanoiaReader& operator=(const ParanoiaReader&) = delete;

    // Reads count sectors from start into dest (see CDDevice::ReadAudioCarefully).
    [[nodiscard]] TCDAccessError Read(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                      const CDCarefulRead& how);

private:
    ParanoiaReader(cdrom_drive_s* drive, cdrom_paranoia_s* paranoia)
        : m_drive(drive), m_paranoia(paranoia) {}
    [[nodiscard]] TCDAccessError ReadSector(std::uint32_t sector, std::uint8_t* dest,
                                            const CDCarefulRead& how);

    cdrom_drive_s* m_drive;
    cdrom_paranoia_s* m_paranoia;
    // Paranoia reads forward from a cursor; moving it back discards what it
    // verified. Offset-corrected reads ask for the sector before the cursor
    // again, so the last sector is kept.
    std::int64_t m_next = -1;  // the sector paranoia returns next
    std::array<std::uint8_t, CDIO_CD_FRAMESIZE_RAW> m_last{};
};
