// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/flac_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/tags/au_tag_text.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

// The fields of a picture block body, big-endian as the FLAC format has them.
struct TPictureFields {
    std::uint32_t Type = 0;
    std::string Mime;
    std::uint32_t Width = 0, Height = 0, Depth = 0;
    TBytes Data;

    bool operator==(const TPictureFields&) const = default;
};

TPictureFields Fields(const TBytes& body) {
    std::size_t at = 0;
    const auto next = [&] {
        at += 4;
        return std::uint32_t{body.at(at - 4)} << 24 | body.at(at - 3) << 16 | body.at(at - 2) << 8 |
               body.at(at - 1);
    };
    TPictureFields fields;
    fields.Type = next();
    const std::uint32_t mimeLength = next();
    fields.Mime.assign(body.begin() + at, body.begin() + at + mimeLength);
    at += mimeLength;
    at += next();  // description
    fields.Width = next();
    fields.Height = next();
    fields.Depth = next();
    EXPECT_EQ(next(), 0U) << "colours";
    const std::uint32_t dataLength = next();
    EXPECT_EQ(dataLength, body.size() - at);
    fields.Data.assign(body.begin() + at, body.end());
    return fields;
}

TEST(FlacPictureTest, SizesComeFromTheFrameHeaderOrIhdrAndCutImagesReadSafely) {
    const TBytes pngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13};
    const auto png = [&](std::uint8_t bits, std::uint8_t colourType) {
        TBytes bytes = pngSignature;
        bytes.insert(bytes.end(), {'I',  'H',  'D',        'R', 0, 0, 1, 0, 0, 0, 0,
                                   0x80, bits, colourType, 0,   0, 0, 1, 2, 3, 4});
        return bytes;
    };
    const struct {
        const char* Name;
        TBytes Image;
        const char* Mime;
        TPictureFields Expected;  // without the data, always the image
    } cases[] = {
        // An APP0 segment and a fill byte before a progressive frame header.
        {"progressive JPEG",
         {0xFF, 0xD8, 0xFF, 0xE0, 0, 4,    'J', 'F', 0xFF, 0xFF, 0xC2, 0,    17, 8,    0,
          200,  1,    44,   3,    1, 0x22, 0,   2,   0x11, 1,    3,    0x11, 1,  0xFF, 0xD9},
         "",
         {3, "image/jpeg", 300, 200, 24, {}}},
        {"JPEG scan before any frame header",
         {0xFF, 0xD8, 0xFF, 0xDA, 0, 2, 0xFF, 0xC0, 0, 17, 8, 0, 1, 0, 1, 1},
         "image/jpeg",
         {3, "image/jpeg", 0, 0, 0, {}}},
        {"JPEG segment longer than the file",
         {0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0xFF, 0xC0},
         "",
         {3, "image/jpeg", 0, 0, 0, {}}},
        {"16-bit RGBA PNG", png(16, 6), "", {3, "image/png", 256, 128, 64, {}}},
        {"palette PNG", png(8, 3), "image/png", {3, "image/png", 256, 128, 0, {}}},
        {"GIF",
         {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0},
         "image/gif",
         {3, "image/gif", 0, 0, 0, {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPictureFields expected = c.Expected;
        expected.Data = c.Image;
        EXPECT_EQ(Fields(FlacPictureBody(c.Image, c.Mime)), expected);
        // Every cut copy on its own, so that a read past its end is caught
        // under the address sanitizer.
        for (std::size_t size = 0; size < c.Image.size(); ++size) {
            const TBytes cut(c.Image.begin(), c.Image.begin() + static_cast<long>(size));
            EXPECT_EQ(Fields(FlacPictureBody(cut, c.Mime)).Data, cut);
        }
    }
}

TEST(FlacPictureTest, Base64PadsTheLastGroup) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFF\xFE\xFD", "//79"},
    };
    for (const auto& [text, encoded] : cases) {
        EXPECT_EQ(Base64(TBytes(text.begin(), text.end())), encoded) << text;
    }
}

}  // namespace
