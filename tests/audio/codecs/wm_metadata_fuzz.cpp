// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a Windows Media or MP3 file read
// through TMP3In from a memory stream: FFmpeg's probing and demuxing, the
// attributes mapped onto the ID3v2 fields (then rendered as a tag), the
// duration and format, a bounded pass of decoded audio and a seek.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <span>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "audio/codecs/wm_in.h"
#include "audio/core/au_stream.h"

namespace {

// FFmpeg probes a big input for long; the mapping is reached by small ones.
constexpr std::size_t kMaxInputBytes = 256 * 1024;
// Enough decoded audio to cross many packets, few enough to stay fast.
constexpr int kMaxReads = 64;
constexpr std::size_t kReadBytes = 16384;

// One pass of at most kMaxReads reads, with a seek after the first when
// `seekTo` is not negative; answers the bytes delivered and whether the pass
// ended.
std::int64_t ReadPass(TMP3In& in, std::int64_t seekTo, bool& ended) {
    std::int64_t delivered = 0;
    ended = false;
    in.Init();
    for (int read = 0; read < kMaxReads && !ended; ++read) {
        if (read == 1 && seekTo >= 0) {
            (void)in.Seek(seekTo);
        }
        const std::uint8_t* buffer = nullptr;
        std::size_t bytes = kReadBytes - static_cast<std::size_t>(read);
        in.GetData(buffer, bytes);
        ended = bytes == 0;
        if (!ended) {
            volatile std::uint8_t sink = buffer[bytes - 1];
            (void)sink;
            delivered += static_cast<std::int64_t>(bytes);
        }
    }
    in.Flush();
    return delivered;
}

void ReadTags(TMP3In& in) {
    const TId3v2Tags& tags = in.Id3v2Tags();
    for (const std::u16string& field : {tags.Artist(), tags.Title(), tags.Album(), tags.Genre(),
                                        tags.Track(), tags.Year(), tags.Comment()}) {
        volatile std::size_t length = field.size();
        (void)length;
    }
    (void)in.Id3v2Tags().Render(false);
}

void ReadFile(std::span<const std::uint8_t> bytes) {
    AuMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    TMP3In in;
    in.SetStream(&stream);
    try {
        ReadTags(in);
        if (!in.Valid() || in.Channels() <= 0 || in.SampleRate() <= 0 || in.BitsPerSample() != 16 ||
            in.Duration() < 0) {
            std::abort();  // an opened file always has a usable format
        }
        (void)in.TotalTime();
        const std::int64_t frameBytes = std::int64_t{in.Channels()} * 2;
        bool ended = false;
        const std::int64_t delivered = ReadPass(in, -1, ended);
        // A whole pass delivers whole frames and ends with its real size.
        if (ended && (delivered % frameBytes != 0 || in.Size() != delivered)) {
            std::abort();
        }
        // The last frame of a file that claims to be very long is far.
        const std::int64_t total = in.TotalSamples();
        (void)ReadPass(in, total > 0 ? total - 1 : static_cast<std::int64_t>(bytes.size()), ended);
    } catch (const std::exception&) {
        // "Cannot decode file" and "File is protected" are answers too.
    }
    in.SetStream(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    if (size > kMaxInputBytes) {
        return 0;
    }
    ReadFile(std::span<const std::uint8_t>(data, size));
    return 0;
}
