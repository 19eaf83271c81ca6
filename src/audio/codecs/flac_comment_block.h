// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "audio/tags/vorbis_tags.h"

// The body every Vorbis comment structure shares: the vendor and the
// comments, each counted with a 32-bit little-endian length, then
// "name=value" for every text name of the container (in the container's
// order) and, when asked, METADATA_BLOCK_PICTURE with the picture in Base64.
[[nodiscard]] std::vector<std::uint8_t> VorbisCommentBody(std::string_view vendor,
                                                          const TVorbisTags& tags,
                                                          bool withPicture);

// The VORBIS_COMMENT metadata block (4-byte header included) that TFLACOut
// writes in place of the library's own: vendor "VENDOR=Hacked", then the
// container's comments as "name=value". `lastBlock` sets the header's
// last-metadata-block bit. Raises EAuException when the comments exceed the
// 24-bit block length.
[[nodiscard]] std::vector<std::uint8_t> BuildFlacCommentBlock(const TVorbisTags& tags,
                                                              bool lastBlock);

// The metadata blocks TFLACOut writes in place of the library's comment
// block: the comment block above, a PICTURE block when the container holds
// a picture, and a PADDING block of kFlacPaddingBytes, so that values added
// after encoding (an album's gain) fit without rewriting the file. Only the
// last of them carries `lastBlock`. Raises EAuException as above.
[[nodiscard]] std::vector<std::uint8_t> BuildFlacTagBlocks(const TVorbisTags& tags, bool lastBlock);

inline constexpr std::size_t kFlacPaddingBytes = 4096;
