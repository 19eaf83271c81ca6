// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Text conversions at the boundary of tag formats. In memory 8-bit text is
// UTF-8; files that store single-byte text use ISO-8859-1 (Latin-1). Invalid
// input never fails: malformed UTF-8 and unpaired UTF-16 surrogates become
// U+FFFD, and characters Latin-1 cannot hold become '?'.

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::string Latin1ToUtf8(std::string_view latin1);
std::string Utf8ToLatin1(std::string_view text);
// The first maxChars characters of a UTF-8 text; each byte of a malformed
// sequence counts as one character.
std::string Utf8Prefix(std::string_view text, std::size_t maxChars);
// Base64 with padding (RFC 4648), as Vorbis comments carry binary values.
std::string Base64(std::span<const std::uint8_t> bytes);
