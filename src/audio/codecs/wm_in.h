// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "audio/core/au_input.h"

class WMSyncReader;

// Decodes Windows Media audio files (and MP3, and any other audio file
// FFmpeg reads) to 16-bit interleaved PCM at the file's own rate and channel
// count, and reads their attributes into Id3v2Tags: artist, title, album,
// genre, track, year, and "Copyright" as the comment.
//
// Size comes from the container's duration (whole hundredths of a second).
// When that duration is only an estimate (an MP3 without a length header),
// Size serves progress only and the pass delivers all decoded audio.
//
// Threads: format queries may come from the GUI thread while an output's
// worker reads a pass; OpenFile and CloseFile hold m_openLock.
class TWMIn : public TAuTaggedFileIn {
public:
    TWMIn() = default;
    ~TWMIn() override;

    // The "Duration" attribute in 100-ns units (0 when unknown); opens the file.
    [[nodiscard]] std::int64_t Duration();

protected:
    // Raises EAuException "File name is not assigned", "Cannot open file %s",
    // "File is protected", or "Cannot decode file %s" for a file that is
    // damaged, empty or holds no audio.
    void OpenFile() override;
    void CloseFile() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;
    // Continues near the frame's time (within about 0.1 s on WMA); false
    // outside a pass.
    bool SeekInternal(std::int64_t& frame) override;

private:
    void ReadAttributes();
    // Rewinds a caller's stream, frees our own.
    void ReleaseStream();

    std::unique_ptr<WMSyncReader> m_reader;
    std::span<const std::uint8_t> m_held;  // the reader's block not yet handed out
    std::int64_t m_duration = 0;           // 100 ns
    bool m_sizeEstimated = false;
};

// The MP3 input: TWMIn under its own name.
class TMP3In : public TWMIn {};
