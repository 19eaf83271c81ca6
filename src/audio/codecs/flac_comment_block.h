// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "audio/tags/vorbis_tags.h"

// The VORBIS_COMMENT metadata block (4-byte header included) that TFLACOut
// writes in place of the library's own: vendor "VENDOR=Hacked", then the
// container's comments as "name=value". `lastBlock` sets the header's
// last-metadata-block bit. Raises EAuException when the comments exceed the
// 24-bit block length.
[[nodiscard]] std::vector<std::uint8_t> BuildFlacCommentBlock(const TVorbisTags& tags,
                                                              bool lastBlock);
