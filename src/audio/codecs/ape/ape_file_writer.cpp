// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_file_writer.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string>
#include <system_error>

#include "audio/codecs/ape/ape_checksums.h"
#include "audio/codecs/ape/ape_errors.h"
#include "audio/codecs/ape/ape_format.h"

namespace ape {

namespace {

constexpr size_t kWordBytes = 4;
constexpr size_t kWriteChunk = 1 << 20;  // bytes

void PutLe16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

// An unnamed temporary file in the target's folder: it is unlinked at once,
// so nothing is left behind however the run ends.
std::FILE* OpenAnonymousFileBeside(const std::filesystem::path& target) {
    std::string pattern = target.string() + ".XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        return nullptr;
    }
    unlink(pattern.c_str());
    std::FILE* file = fdopen(descriptor, "w+b");
    if (file == nullptr) {
        close(descriptor);
    }
    return file;
}

}  // namespace

ApeFileWriter::ApeFileWriter(const std::filesystem::path& target, const StreamFormat& format)
    : m_targetPath(target), m_format(format) {
    m_target.reset(std::fopen(target.c_str(), "wb"));
    if (!m_target) {
        throw ApeError(kErrorInvalidOutputFile, "cannot create the output file");
    }
    m_frameData.reset(OpenAnonymousFileBeside(target));
    if (!m_frameData) {
        m_target.reset();
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
        throw ApeError(kErrorInvalidOutputFile, "cannot create a temporary file");
    }
}

ApeFileWriter::~ApeFileWriter() {
    if (!m_finished) {
        m_target.reset();
        std::error_code ignored;
        std::filesystem::remove(m_targetPath, ignored);
    }
}

void ApeFileWriter::AppendFrame(std::span<const uint8_t> logicalBytes) {
    m_frameStarts.push_back(m_logicalBytes);
    m_logicalBytes += logicalBytes.size();
    AppendWords(logicalBytes);
}

// Logical byte 4w + i is stored at file byte 4w + (3 - i), counting from the
// first frame.
void ApeFileWriter::AppendWords(std::span<const uint8_t> logicalBytes) {
    size_t i = 0;
    while (!m_partialWord.empty() && i < logicalBytes.size() && m_partialWord.size() < kWordBytes) {
        m_partialWord.push_back(logicalBytes[i++]);
    }
    if (m_partialWord.size() == kWordBytes) {
        m_words.insert(m_words.end(), m_partialWord.rbegin(), m_partialWord.rend());
        m_partialWord.clear();
    }
    const size_t wholeWordBytes = (logicalBytes.size() - i) / kWordBytes * kWordBytes;
    size_t out = m_words.size();
    m_words.resize(out + wholeWordBytes);
    for (const size_t end = i + wholeWordBytes; i < end; i += kWordBytes, out += kWordBytes) {
        for (size_t j = 0; j < kWordBytes; ++j) {
            m_words[out + j] = logicalBytes[i + kWordBytes - 1 - j];
        }
    }
    if (m_words.size() >= kWriteChunk) {
        FlushWords();
    }
    m_partialWord.insert(m_partialWord.end(), logicalBytes.begin() + static_cast<ptrdiff_t>(i),
                         logicalBytes.end());
}

void ApeFileWriter::FlushWords() {
    if (std::fwrite(m_words.data(), 1, m_words.size(), m_frameData.get()) != m_words.size()) {
        throw ApeError(kErrorIoWrite, "cannot write frame data");
    }
    m_md5.Update(m_words);
    m_frameDataBytes += m_words.size();
    m_words.clear();
}

void ApeFileWriter::Finish(uint32_t finalFrameBlocks) {
    // The last word is always written, zero-filled; a whole zero word when
    // the frames end on a word boundary.
    m_partialWord.resize(kWordBytes, 0);
    m_words.insert(m_words.end(), m_partialWord.rbegin(), m_partialWord.rend());
    m_partialWord.clear();
    FlushWords();

    const std::vector<uint8_t> header = RenderHeader(finalFrameBlocks);
    const std::vector<uint8_t> seekTable = RenderSeekTable();
    const std::vector<uint8_t> placeholder(kDescriptorBytes, 0);
    Write(placeholder);
    Write(header);
    Write(seekTable);

    // The MD5 covers the frame data as stored, then the header and the seek
    // table with their final values.
    CopyFrameData();
    m_md5.Update(header);
    m_md5.Update(seekTable);

    std::vector<uint8_t> descriptor;
    descriptor.insert(descriptor.end(), {'M', 'A', 'C', ' '});
    PutLe16(descriptor, kFileVersion);
    PutLe16(descriptor, 0);
    PutLe32(descriptor, kDescriptorBytes);
    PutLe32(descriptor, kHeaderBytes);
    PutLe32(descriptor, static_cast<uint32_t>(seekTable.size()));
    PutLe32(descriptor, 0);  // WAV header bytes: none stored
    PutLe32(descriptor, static_cast<uint32_t>(m_frameDataBytes));
    PutLe32(descriptor, static_cast<uint32_t>(m_frameDataBytes >> 32));
    PutLe32(descriptor, 0);  // terminating bytes
    const std::array<uint8_t, 16> digest = m_md5.Finish();
    descriptor.insert(descriptor.end(), digest.begin(), digest.end());

    if (std::fseek(m_target.get(), 0, SEEK_SET) != 0) {
        throw ApeError(kErrorIoWrite, "cannot seek in the output file");
    }
    Write(descriptor);
    if (std::fclose(m_target.release()) != 0) {
        throw ApeError(kErrorIoWrite, "cannot close the output file");
    }
    m_finished = true;
}

std::vector<uint8_t> ApeFileWriter::RenderHeader(uint32_t finalFrameBlocks) const {
    std::vector<uint8_t> header;
    PutLe16(header, static_cast<uint32_t>(m_format.level));
    PutLe16(header, kFlagCreateWavHeader);
    PutLe32(header, BlocksPerFrame(m_format.level));
    PutLe32(header, finalFrameBlocks);
    PutLe32(header, static_cast<uint32_t>(m_frameStarts.size()));
    PutLe16(header, static_cast<uint32_t>(m_format.bitsPerSample));
    PutLe16(header, static_cast<uint32_t>(m_format.channels));
    PutLe32(header, m_format.sampleRate);
    return header;
}

// One entry per frame: the absolute offset of the frame's first logical
// byte, modulo 2^32 (readers undo the wrap in files over 4 GiB).
std::vector<uint8_t> ApeFileWriter::RenderSeekTable() const {
    const uint64_t firstFrame = kDescriptorBytes + kHeaderBytes + 4 * m_frameStarts.size();
    std::vector<uint8_t> table;
    table.reserve(4 * m_frameStarts.size());
    for (const uint64_t start : m_frameStarts) {
        PutLe32(table, static_cast<uint32_t>(firstFrame + start));
    }
    return table;
}

void ApeFileWriter::CopyFrameData() {
    if (std::fseek(m_frameData.get(), 0, SEEK_SET) != 0) {
        throw ApeError(kErrorIoWrite, "cannot read back frame data");
    }
    std::vector<uint8_t> chunk(kWriteChunk);
    uint64_t copied = 0;
    while (copied < m_frameDataBytes) {
        const size_t read = std::fread(chunk.data(), 1, chunk.size(), m_frameData.get());
        if (read == 0) {
            throw ApeError(kErrorIoWrite, "cannot read back frame data");
        }
        const std::span<const uint8_t> piece(chunk.data(), read);
        Write(piece);
        copied += read;
    }
}

void ApeFileWriter::Write(std::span<const uint8_t> bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_target.get()) != bytes.size()) {
        throw ApeError(kErrorIoWrite, "cannot write the output file");
    }
}

}  // namespace ape
