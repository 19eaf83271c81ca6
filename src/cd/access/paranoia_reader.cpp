// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/access/paranoia_reader.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Paranoia's callbacks carry no context; the read running on this thread
// puts its own here for their duration.
thread_local const CDCarefulRead* t_read = nullptr;

void CountEvent(long, paranoia_cb_mode_t event) {
    TCDReadQuality* quality = t_read != nullptr ? t_read->quality : nullptr;
    if (quality == nullptr) {
        return;
    }
    switch (event) {
        case PARANOIA_CB_READERR:
            ++quality->ReadErrors;
            break;
        case PARANOIA_CB_SKIP:
            ++quality->SkippedSectors;
            break;
        case PARANOIA_CB_FIXUP_EDGE:
        case PARANOIA_CB_FIXUP_ATOM:
            ++quality->JitterFixes;
            break;
        case PARANOIA_CB_DRIFT:
            ++quality->DriftFixes;
            break;
        case PARANOIA_CB_FIXUP_DROPPED:
            ++quality->DroppedFixes;
            break;
        case PARANOIA_CB_FIXUP_DUPED:
            ++quality->DuplicatedFixes;
            break;
        default:
            break;
    }
}

// Paranoia's drive reads, taken through the handle's device: the number of
// sectors read from begin on. A short count is a read error of the sectors
// after it, which paranoia retries and in the end gives up on; so are
// sectors past the readable end. A failed read of several sectors is read
// again one sector at a time, so that only the bad sector counts as lost
// and not every good one read with it.
long ReadThroughDevice(cdrom_drive_t*, void* dest, lsn_t begin, long sectors) {
    if (t_read == nullptr || begin < 0 || sectors <= 0 ||
        static_cast<std::uint32_t>(begin) >= t_read->readableEnd) {
        return 0;
    }
    const auto start = static_cast<std::uint32_t>(begin);
    const std::uint32_t count =
        std::min(static_cast<std::uint32_t>(sectors), t_read->readableEnd - start);
    auto* bytes = static_cast<std::uint8_t*>(dest);
    std::vector<std::uint8_t> unwanted;
    if (bytes == nullptr) {
        // Paranoia reads without a buffer to move the drive past its cache;
        // devices write every sector they read.
        unwanted.resize(std::size_t{count} * CDIO_CD_FRAMESIZE_RAW);
        bytes = unwanted.data();
    }
    if (t_read->readSectors(start, count, bytes)) {
        return count;
    }
    std::uint32_t good = 0;
    while (
        good + 1 < count &&
        t_read->readSectors(start + good, 1, bytes + std::size_t{good} * CDIO_CD_FRAMESIZE_RAW)) {
        ++good;
    }
    return good;
}

}  // namespace

std::unique_ptr<ParanoiaReader> ParanoiaReader::Open(CdIo_t* cdio) {
    char* messages = nullptr;  // the library appends to it with realloc
    cdrom_drive_t* drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, &messages);
    cdio_cddap_free_messages(messages);
    if (drive == nullptr) {
        return nullptr;
    }
    cdio_cddap_verbose_set(drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    // Left unknown, the byte order is guessed from the audio at open, and a
    // wrong guess swaps every sample read. Audio sectors are little-endian.
    drive->bigendianp = 0;
    if (cdio_cddap_open(drive) != 0) {
        cdio_cddap_close_no_free_cdio(drive);
        return nullptr;
    }
    drive->read_audio = ReadThroughDevice;
    cdrom_paranoia_t* paranoia = cdio_paranoia_init(drive);
    if (paranoia == nullptr) {
        cdio_cddap_close_no_free_cdio(drive);
        return nullptr;
    }
    // Full checking; a sector that fails every retry is given up on, since
    // "never skip" retries it for ever.
    cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return std::unique_ptr<ParanoiaReader>(new ParanoiaReader(drive, paranoia));
}

ParanoiaReader::~ParanoiaReader() {
    cdio_paranoia_free(m_paranoia);
    // The CdIo_t stays with its owner.
    cdio_cddap_close_no_free_cdio(m_drive);
}

TCDAccessError ParanoiaReader::Read(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                    const CDCarefulRead& how) {
    for (std::uint32_t i = 0; i < count; ++i) {
        if (how.stop.stop_requested()) {
            return cdeReadStopped;
        }
        const TCDAccessError error =
            ReadSector(start + i, dest + std::size_t{i} * m_last.size(), how);
        if (error != cdeNoError) {
            return error;
        }
    }
    return cdeNoError;
}

TCDAccessError ParanoiaReader::ReadSector(std::uint32_t sector, std::uint8_t* dest,
                                          const CDCarefulRead& how) {
    if (sector + 1 == m_next) {
        std::memcpy(dest, m_last.data(), m_last.size());
        return cdeNoError;
    }
    if (sector != m_next) {
        m_next = -1;
        if (cdio_paranoia_seek(m_paranoia, static_cast<std::int32_t>(sector), SEEK_SET) < 0) {
            return cdeReadFailed;
        }
    }
    t_read = &how;
    const std::int16_t* samples = cdio_paranoia_read_limited(m_paranoia, CountEvent, how.retries);
    t_read = nullptr;
    if (samples == nullptr) {
        m_next = -1;
        return cdeReadFailed;
    }
    std::memcpy(m_last.data(), samples, m_last.size());
    std::memcpy(dest, m_last.data(), m_last.size());
    m_next = std::int64_t{sector} + 1;
    return cdeNoError;
}
