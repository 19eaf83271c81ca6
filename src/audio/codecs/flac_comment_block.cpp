// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/flac_comment_block.h"

#include <array>
#include <string>
#include <string_view>

#include "audio/core/au_exception.h"

namespace {

constexpr std::uint8_t kVorbisCommentType = 4;
constexpr std::uint8_t kLastBlockBit = 0x80;
constexpr std::size_t kHeaderBytes = 4;
constexpr std::uint32_t kMaxBlockLength = 0xFFFFFF;  // 24-bit length field
constexpr std::string_view kVendor = "VENDOR=Hacked";

void AppendLittleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void AppendCounted(std::vector<std::uint8_t>& out, std::string_view text) {
    AppendLittleEndian32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::vector<std::uint8_t> BuildFlacCommentBlock(const TVorbisTags& tags, bool lastBlock) {
    std::vector<std::string> comments;
    for (const auto& [name, value] : tags.Comments()) {
        comments.push_back(name + "=" + value);
    }
    std::vector<std::uint8_t> block(kHeaderBytes);
    AppendCounted(block, kVendor);
    AppendLittleEndian32(block, static_cast<std::uint32_t>(comments.size()));
    for (const std::string& comment : comments) {
        AppendCounted(block, comment);
    }
    const std::size_t length = block.size() - kHeaderBytes;
    if (length > kMaxBlockLength) {
        throw EAuException("The FLAC comments are too long.");
    }
    block[0] = kVorbisCommentType | (lastBlock ? kLastBlockBit : 0);
    block[1] = static_cast<std::uint8_t>(length >> 16);
    block[2] = static_cast<std::uint8_t>(length >> 8);
    block[3] = static_cast<std::uint8_t>(length);
    return block;
}
