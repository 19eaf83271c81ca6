// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rip log: what one rip read, how, and how each track checked out, as
// UTF-8 text for a ".log" file beside the tracks. Some lines have a fixed
// form that other tools read: "Track NN" opens each track's block, "CRC32 ",
// "AccurateRip v1 " and "AccurateRip v2 " are followed by eight lower-case
// hex digits, "AccurateRip result: " by the verdict's text, "Decode check: "
// by the check's text; the log ends with "N of M tracks accurately ripped"
// and "SHA-256 " with the hash of every byte above that line. Pure; any
// thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "verify/accuraterip_answer.h"

enum class TReadOffsetOrigin {
    Drive,  // the value stored for the drive
    Image,  // a disc image, which needs none
    None,   // nothing stored for the drive
};

// What careful reads of one track mended or gave up on.
struct TRipLogReadQuality {
    std::uint32_t readErrors = 0;
    std::uint32_t skippedSectors = 0;
    std::uint32_t jitterFixes = 0;
    std::uint32_t driftFixes = 0;
    std::uint32_t droppedFixes = 0;     // bytes the drive dropped, restored
    std::uint32_t duplicatedFixes = 0;  // bytes the drive repeated, removed
};

// One table-of-contents entry.
struct TRipLogTocRow {
    int number = 0;
    std::uint32_t startSector = 0;  // logical sector number
    std::uint32_t sectors = 0;
    bool data = false;
};

struct TRipLogTrack {
    int number = 0;
    std::string fileName{};        // without folder
    std::uint32_t peak = 0;        // largest magnitude of any 16-bit value, 0..32768
    TRipLogReadQuality quality{};  // written only for careful reads
    std::uint32_t crc32 = 0;
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
    TArVerdict verdict{};  // NotChecked unless the disc's answer was checked
    // CheckDecodedFile's LogText; empty when no check ran, and then no
    // "Decode check: " line is written.
    std::string decodeCheck{};
};

struct TRipLog {
    std::string program{};
    std::string version{};
    std::string date{};  // local date and time, "YYYY-MM-DD hh:mm:ss"
    // The drive's vendor and model, or the image's path when imagePath is set.
    std::string driveVendor{};
    std::string driveModel{};
    std::string imagePath{};
    bool careful = false;
    int retries = 0;     // careful reads only
    int readOffset = 0;  // samples
    TReadOffsetOrigin readOffsetOrigin = TReadOffsetOrigin::None;
    std::vector<TRipLogTocRow> toc{};
    std::uint32_t cddbId = 0;
    std::string accurateRipId{};         // AccurateRipIdText, or empty when the disc has none
    std::vector<TRipLogTrack> tracks{};  // the ripped tracks in order
};

// The log's text, lines ended by "\n". A control character in a field (a
// line break in a file name) is written as a space, so that no field can
// add a line of its own. Throws std::runtime_error only when OpenSSL cannot
// hash (out of memory).
[[nodiscard]] std::string RipLogText(const TRipLog& log);

// "<artist> - <album>.log", or the one of both given, with the characters a
// file name cannot hold replaced as in the track files' names; "Audio CD.log"
// when neither gives a name.
[[nodiscard]] std::string RipLogFileName(std::string_view artist, std::string_view album);
