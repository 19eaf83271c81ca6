// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/flac_picture.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace {

constexpr std::uint32_t kFrontCover = 3;
constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct TImageSize {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint32_t Depth = 0;  // bits per pixel
};

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

bool IsJpeg(std::span<const std::uint8_t> image) {
    return image.size() >= 3 && image[0] == 0xFF && image[1] == 0xD8 && image[2] == 0xFF;
}

bool IsPng(std::span<const std::uint8_t> image) {
    return image.size() >= kPngSignature.size() &&
           std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin());
}

// Start-of-frame markers C0..CF, except DHT (C4), JPG (C8) and DAC (CC).
bool IsStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the frame header: precision (1 byte),
// height, width (2 bytes each), component count (1 byte).
TImageSize JpegSize(std::span<const std::uint8_t> image) {
    std::size_t at = 2;  // after SOI
    while (at + 4 <= image.size() && image[at] == 0xFF) {
        const std::uint8_t marker = image[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {  // scan data or end: no frame header
            break;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length field
            at += 2;
            continue;
        }
        if (IsStartOfFrame(marker) && at + 10 <= image.size()) {
            return {BigEndian(image, at + 7, 2), BigEndian(image, at + 5, 2),
                    std::uint32_t{image[at + 4]} * image[at + 9]};
        }
        at += 2 + BigEndian(image, at + 2, 2);
    }
    return {};
}

// IHDR is the first chunk: width, height (4 bytes each), bit depth and
// colour type (1 byte each). Palette images keep depth 0: their colour
// count would need the palette chunk.
TImageSize PngSize(std::span<const std::uint8_t> image) {
    constexpr std::size_t kIhdr = 8 + 8;  // signature, chunk length and type
    if (image.size() < kIhdr + 10 || BigEndian(image, 12, 4) != 0x49484452) {  // "IHDR"
        return {};
    }
    const std::uint32_t bits = image[kIhdr + 8];
    std::uint32_t samples = 0;
    switch (image[kIhdr + 9]) {
        case 0:
            samples = 1;
            break;  // grey
        case 2:
            samples = 3;
            break;  // RGB
        case 4:
            samples = 2;
            break;  // grey and alpha
        case 6:
            samples = 4;
            break;  // RGBA
        default:
            break;
    }
    return {BigEndian(image, kIhdr, 4), BigEndian(image, kIhdr + 4, 4), bits * samples};
}

void Append32(std::vector<std::uint8_t>& out, std::size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

}  // namespace

std::vector<std::uint8_t> FlacPictureBody(std::span<const std::uint8_t> image,
                                          std::string_view mimeType) {
    TImageSize size;
    std::string mime(mimeType);
    if (IsJpeg(image)) {
        size = JpegSize(image);
        mime = mime.empty() ? "image/jpeg" : mime;
    } else if (IsPng(image)) {
        size = PngSize(image);
        mime = mime.empty() ? "image/png" : mime;
    }
    std::vector<std::uint8_t> body;
    body.reserve(32 + mime.size() + image.size());
    Append32(body, kFrontCover);
    Append32(body, mime.size());
    body.insert(body.end(), mime.begin(), mime.end());
    Append32(body, 0);  // description length
    Append32(body, size.Width);
    Append32(body, size.Height);
    Append32(body, size.Depth);
    Append32(body, 0);  // colours of a palette
    Append32(body, image.size());
    body.insert(body.end(), image.begin(), image.end());
    return body;
}
