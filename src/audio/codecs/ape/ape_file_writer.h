// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "audio/codecs/ape/ape_checksums.h"

namespace ape {

struct StreamFormat {
    int level;
    int channels;
    int bitsPerSample;
    uint32_t sampleRate;  // Hz
};

// Writes one APE file. Frames arrive as logical bytes; they are stored as
// byte-reversed 32-bit words in an unnamed temporary file beside the target
// until Finish knows the frame count, then the descriptor, header, exact seek
// table and frame data are written to the target. Without Finish the target
// is removed again. Errors are raised as ApeError. Used by one thread.
class ApeFileWriter {
public:
    ApeFileWriter(const std::filesystem::path& target, const StreamFormat& format);
    ~ApeFileWriter();
    ApeFileWriter(const ApeFileWriter&) = delete;
    ApeFileWriter& operator=(const ApeFileWriter&) = delete;

    void AppendFrame(std::span<const uint8_t> logicalBytes);
    // Completes the file; finalFrameBlocks counts the blocks of the last frame.
    void Finish(uint32_t finalFrameBlocks);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using File = std::unique_ptr<std::FILE, FileCloser>;

    void AppendWords(std::span<const uint8_t> logicalBytes);
    void FlushWords();
    [[nodiscard]] std::vector<uint8_t> RenderHeader(uint32_t finalFrameBlocks) const;
    [[nodiscard]] std::vector<uint8_t> RenderSeekTable() const;
    void CopyFrameData();
    void Write(std::span<const uint8_t> bytes);

    std::filesystem::path m_targetPath;
    StreamFormat m_format;
    File m_target;
    File m_frameData;                     // unnamed temporary file
    std::vector<uint64_t> m_frameStarts;  // logical byte offset of each frame
    uint64_t m_logicalBytes = 0;
    std::vector<uint8_t> m_partialWord;  // logical bytes of an incomplete word
    std::vector<uint8_t> m_words;        // swapped words not yet written
    uint64_t m_frameDataBytes = 0;       // bytes in the temporary file
    // The file's MD5 starts with the frame data as stored: it is summed as
    // the words are written, while frames are still being encoded.
    Md5 m_md5;
    bool m_finished = false;
};

}  // namespace ape
