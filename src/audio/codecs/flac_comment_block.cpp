// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/flac_comment_block.h"

#include <array>
#include <string>
#include <string_view>

#include "audio/core/au_exception.h"
#include "audio/tags/au_tag_text.h"

namespace {

constexpr std::uint8_t kPaddingType = 1;
constexpr std::uint8_t kVorbisCommentType = 4;
constexpr std::uint8_t kPictureType = 6;
constexpr std::uint8_t kLastBlockBit = 0x80;
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

void AppendHeader(std::vector<std::uint8_t>& out, std::uint8_t type, bool lastBlock,
                  std::size_t length) {
    out.push_back(type | (lastBlock ? kLastBlockBit : 0));
    out.push_back(static_cast<std::uint8_t>(length >> 16));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
}

}  // namespace

std::vector<std::uint8_t> VorbisCommentBody(std::string_view vendor, const TVorbisTags& tags,
                                            bool withPicture) {
    std::vector<std::string> comments;
    for (const auto& [name, value] : tags.Comments()) {
        comments.push_back(name + "=" + value);
    }
    if (const TagBytes picture = tags.Picture(); withPicture && !picture.empty()) {
        comments.push_back("METADATA_BLOCK_PICTURE=" + Base64(picture));
    }
    std::vector<std::uint8_t> body;
    AppendCounted(body, vendor);
    AppendLittleEndian32(body, static_cast<std::uint32_t>(comments.size()));
    for (const std::string& comment : comments) {
        AppendCounted(body, comment);
    }
    return body;
}

std::vector<std::uint8_t> BuildFlacCommentBlock(const TVorbisTags& tags, bool lastBlock) {
    // FLAC keeps the picture in a block of its own.
    const std::vector<std::uint8_t> body = VorbisCommentBody(kVendor, tags, false);
    if (body.size() > kMaxBlockLength) {
        throw EAuException("The FLAC comments are too long.");
    }
    std::vector<std::uint8_t> block;
    AppendHeader(block, kVorbisCommentType, lastBlock, body.size());
    block.insert(block.end(), body.begin(), body.end());
    return block;
}

std::vector<std::uint8_t> BuildFlacTagBlocks(const TVorbisTags& tags, bool lastBlock) {
    std::vector<std::uint8_t> blocks = BuildFlacCommentBlock(tags, false);
    // A cover beyond the 24-bit block length (16 MiB) cannot be stored; the
    // file is still worth having without it, so it is left out.
    if (const TagBytes picture = tags.Picture();
        !picture.empty() && picture.size() <= kMaxBlockLength) {
        AppendHeader(blocks, kPictureType, false, picture.size());
        blocks.insert(blocks.end(), picture.begin(), picture.end());
    }
    AppendHeader(blocks, kPaddingType, lastBlock, kFlacPaddingBytes);
    blocks.resize(blocks.size() + kFlacPaddingBytes);
    return blocks;
}
