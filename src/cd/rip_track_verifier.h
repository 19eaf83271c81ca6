// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a rip gathers about each track to tell whether it is right: the
// AccurateRip sums of the audio as written, the sums at every read shift,
// what careful reading mended or gave up on, and the decode-back check of
// the track's file. The verdicts and the log are made from these records.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cd/access/cd_access.h"
#include "cd/rip_thread.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_sums.h"
#include "verify/decode_check.h"

struct TRipTrackReport {
    std::int32_t Number = 0;  // in the table of contents
    std::string File{};       // the track's file: the encoded one, or the WAV file
    // None when the rip failed or AccurateRip does not count the track
    // (a data track, or a disc without a usable table of contents).
    std::optional<TArSums> Sums{};
    // None also when the scan was not asked for or the audio around the
    // track could not be read.
    std::optional<TArShiftedSums> ShiftedSums{};
    TCDReadQuality ReadQuality{};               // of the track's own reads
    std::optional<TDecodeCheck> DecodeCheck{};  // none when not run
};

// The rip thread's observer while a rip is verified: it sums each track as
// it is written (up to where AccurateRip ends the track), reads the five
// sectors on either side of it through the same handle for the shifted
// sums (silence outside the disc), and takes the read quality of the
// track's own reads. Every call is passed on to `next` first.
//
// Threads: the observer calls come on the rip thread; TakeReport on the
// driving thread once the rip thread's end message has arrived.
class RipTrackVerifier final : public RipAudioObserver {
public:
    // disc: the disc's audio tracks and lead-out as AccurateRip sees them,
    // none when the table of contents could not be read. scanShifts: read the
    // margins and compute the shifted sums.
    RipTrackVerifier(TCDHandle handle, std::optional<TArDisc> disc, std::uint32_t leadOut,
                     bool scanShifts, RipAudioObserver* next);

    void TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) override;
    void AudioWritten(std::span<const std::uint8_t> bytes) override;
    void TrackEnded(bool complete) override;

    // The record of the last track started, then an empty one.
    [[nodiscard]] TRipTrackReport TakeReport();

private:
    // Feeds the scanner count sectors from first, silence outside the disc;
    // drops the scan when they cannot be read.
    void ScanMargin(std::int64_t first, std::uint32_t count);

    const TCDHandle m_handle;
    const std::optional<TArDisc> m_disc;
    const std::uint32_t m_leadOut;
    const bool m_scanShifts;
    RipAudioObserver* const m_next;        // may be null
    const TArTrack* m_track = nullptr;     // of m_disc, while a track it counts is ripped
    std::uint64_t m_bytesToSum = 0;        // of the track still to come within AccurateRip's end
    std::optional<TArChecksummer> m_sums;  // when the track is not scanned
    std::optional<TArOffsetScanner> m_scanner;  // also sums the track
    TRipTrackReport m_report;
};
