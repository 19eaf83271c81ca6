// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The body of a FLAC PICTURE metadata block (without the 4-byte block
// header) holding `image` as the front cover (picture type 3) with an empty
// description. FLAC streams carry it as a block of its own, Ogg Vorbis
// streams as the Base64 text of a METADATA_BLOCK_PICTURE comment. Width,
// height and colour depth are read from a JPEG's frame header or a PNG's
// IHDR chunk and are 0 (unknown, which readers accept) for anything else;
// the count of palette colours is always 0. An empty `mimeType` becomes
// "image/jpeg" or "image/png" when the bytes are one of those. Pure
// function over bytes; any thread.
[[nodiscard]] std::vector<std::uint8_t> FlacPictureBody(std::span<const std::uint8_t> image,
                                                        std::string_view mimeType);
