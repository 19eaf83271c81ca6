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
// That duration is never exact (an MP3's counts the encoder's delay and
// padding, or is guessed from the first frame's bit rate when the file has
// no length header; an ASF file's counts whole milliseconds and padding), so
// Size serves progress only: a pass delivers all decoded audio and ends with
// Size set to the bytes it delivered. A pass with an EndSample still ends
// after that frame.
//
// A file that only names other files or URLs (a playlist, a streaming
// manifest) does not decode: the input never opens what a file names.
//
// Threads: format queries may come from the GUI thread while an output's
// worker reads a pass; OpenFile and CloseFile hold m_openLock.
class TWMIn : public TAuTaggedFileIn {
public:
    TWMIn();
    ~TWMIn() override;

    // The "Duration" attribute in 100-ns units (0 when unknown); opens the file.
    [[nodiscard]] std::int64_t Duration();
    // The file's attributes; opens the file first.
    [[nodiscard]] TId3v2Tags& Id3v2Tags();

protected:
    // Raises EAuException "File name is not assigned", "Cannot open file %s",
    // "File is protected", or "Cannot decode file %s" for a file that is
    // damaged, empty or holds no audio.
    void OpenFile() override;
    void CloseFile() override;
    // The file input's pass start, which also notes where a window ends.
    void InitInternal() override;
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
    // Bytes from the pass start to the end of its EndSample frame; the
    // estimated Size may grow up to this, never past it.
    std::int64_t m_windowEnd = 0;
};

// The MP3 input: TWMIn under its own name.
class TMP3In : public TWMIn {};
