// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/wav/wav_header.h"

namespace {

// Builds RIFF files chunk by chunk.
class RiffBuilder {
public:
    explicit RiffBuilder(const std::string& riff = "RIFF", const std::string& wave = "WAVE") {
        Text(riff);
        U32(0);
        Text(wave);
    }
    RiffBuilder& Chunk(const std::string& id, const std::vector<std::uint8_t>& body,
                       bool pad = true) {
        Text(id);
        U32(static_cast<std::uint32_t>(body.size()));
        m_bytes.insert(m_bytes.end(), body.begin(), body.end());
        if (pad && body.size() % 2 == 1) {
            m_bytes.push_back(0);
        }
        return *this;
    }
    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    void Text(const std::string& text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    std::vector<std::uint8_t> m_bytes;
};

void Put16(std::vector<std::uint8_t>& body, std::size_t offset, std::uint16_t v) {
    if (body.size() < offset + 2) {
        body.resize(offset + 2);
    }
    body[offset] = static_cast<std::uint8_t>(v);
    body[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& body, std::size_t offset, std::uint32_t v) {
    Put16(body, offset, static_cast<std::uint16_t>(v));
    Put16(body, offset + 2, static_cast<std::uint16_t>(v >> 16));
}

std::vector<std::uint8_t> Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                              std::uint16_t blockAlign, std::uint16_t bits) {
    std::vector<std::uint8_t> body(16);
    Put16(body, 0, tag);
    Put16(body, 2, channels);
    Put32(body, 4, rate);
    Put32(body, 8, rate * blockAlign);
    Put16(body, 12, blockAlign);
    Put16(body, 14, bits);
    return body;
}

std::vector<std::uint8_t> ImaFmt(std::uint16_t channels, std::uint16_t blockAlign) {
    auto body = Fmt(17, channels, 44100, blockAlign, 4);
    Put16(body, 16, 2);
    Put16(body, 18, 1017);
    return body;
}

std::vector<std::uint8_t> MsFmt(std::uint16_t coefficientCount,
                                std::uint16_t samplesPerBlock = 1012) {
    auto body = Fmt(2, 2, 44100, 1024, 4);
    Put16(body, 16, static_cast<std::uint16_t>(4 + 4 * coefficientCount));
    Put16(body, 18, samplesPerBlock);
    Put16(body, 20, coefficientCount);
    for (std::uint16_t i = 0; i < coefficientCount; ++i) {
        Put16(body, 22 + 4 * i, static_cast<std::uint16_t>(256 * i));
        Put16(body, 24 + 4 * i, static_cast<std::uint16_t>(-i));
    }
    return body;
}

std::vector<std::uint8_t> Fact(std::uint32_t samples) {
    std::vector<std::uint8_t> body;
    Put32(body, 0, samples);
    return body;
}

const std::vector<std::uint8_t> kData(8, 0x11);

}  // namespace

TEST(WavHeaderTest, FindsFormatAndDataPastOtherChunksAndLetterCase) {
    const auto bytes = RiffBuilder("riff", "wave")
                           .Chunk("LIST", std::vector<std::uint8_t>(10, 'x'))
                           .Chunk("FMT ", Fmt(1, 2, 44100, 4, 16))
                           .Chunk("Data", kData)
                           .Bytes();
    const TWavHeaderParse parse = ParseWavHeader(bytes);
    ASSERT_TRUE(parse.Header) << parse.Message;
    EXPECT_EQ(parse.Header->Channels, 2);
    EXPECT_EQ(parse.Header->SampleRate, 44100u);
    EXPECT_EQ(parse.Header->BitsPerSample, 16);
    EXPECT_EQ(parse.Header->DataSize, 8u);
    EXPECT_EQ(parse.Header->DataOffset, bytes.size() - 8);
    EXPECT_EQ(parse.Header->DataSizeOffset, bytes.size() - 12);
    EXPECT_EQ(parse.Header->RiffSizeOffset, 4u);
}

TEST(WavHeaderTest, OddChunkWithOrWithoutPadByte) {
    for (const bool pad : {true, false}) {
        const auto bytes = RiffBuilder()
                               .Chunk("LIST", std::vector<std::uint8_t>(7, 'y'), pad)
                               .Chunk("fmt ", Fmt(1, 1, 8000, 1, 8))
                               .Chunk("data", kData)
                               .Bytes();
        const TWavHeaderParse parse = ParseWavHeader(bytes);
        ASSERT_TRUE(parse.Header) << "pad " << pad << ": " << parse.Message;
        EXPECT_EQ(parse.Header->DataOffset, bytes.size() - 8);
    }
}

TEST(WavHeaderTest, SlidesOverBytesBeforeRiff) {
    auto bytes = RiffBuilder().Chunk("fmt ", Fmt(1, 1, 8000, 1, 8)).Chunk("data", kData).Bytes();
    bytes.insert(bytes.begin(), {'j', 'u', 'n', 'k'});
    const TWavHeaderParse parse = ParseWavHeader(bytes);
    ASSERT_TRUE(parse.Header);
    EXPECT_EQ(parse.Header->RiffSizeOffset, 8u);
}

TEST(WavHeaderTest, CompressedKindsNeedFactBeforeData) {
    const auto withFact = RiffBuilder()
                              .Chunk("fmt ", ImaFmt(1, 512))
                              .Chunk("fact", Fact(100000))
                              .Chunk("data", kData);
    const TWavHeaderParse parse = ParseWavHeader(withFact.Bytes());
    ASSERT_TRUE(parse.Header) << parse.Message;
    EXPECT_EQ(parse.Header->FactSamples, 100000u);
    EXPECT_EQ(parse.Header->FactOffset, 12u + 8 + 20 + 8);

    const auto factAfterData =
        RiffBuilder().Chunk("fmt ", ImaFmt(1, 512)).Chunk("data", kData).Chunk("fact", Fact(1));
    EXPECT_FALSE(ParseWavHeader(factAfterData.Bytes()).Header);
}

TEST(WavHeaderTest, ReadsMicrosoftAdpcmCoefficientsUpTo32) {
    const auto ok =
        RiffBuilder().Chunk("fmt ", MsFmt(32)).Chunk("fact", Fact(5)).Chunk("data", kData);
    const TWavHeaderParse parse = ParseWavHeader(ok.Bytes());
    ASSERT_TRUE(parse.Header) << parse.Message;
    ASSERT_EQ(parse.Header->Coefficients.size(), 32u);
    EXPECT_EQ(parse.Header->Coefficients[3].Coef1, 768);
    EXPECT_EQ(parse.Header->Coefficients[3].Coef2, -3);
    EXPECT_EQ(parse.Header->SamplesPerBlock, 1012);

    const auto tooMany =
        RiffBuilder().Chunk("fmt ", MsFmt(33)).Chunk("fact", Fact(5)).Chunk("data", kData);
    EXPECT_FALSE(ParseWavHeader(tooMany.Bytes()).Header);
}

TEST(WavHeaderTest, RefusesFormatsBeyondTheDecoders) {
    auto truncatedTable = MsFmt(7);
    truncatedTable.resize(30);         // claims 7 pairs, holds 2
    auto bigMsBlock = MsFmt(7, 4097);  // 4097 stereo frames exceed 16384 bytes
    auto shortFmt = Fmt(1, 2, 44100, 4, 16);
    shortFmt.resize(14);
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> cases = {
        {"fmt too small", shortFmt},
        {"fmt too small for samples per block", Fmt(17, 1, 44100, 512, 4)},
        {"coefficients cut off", truncatedTable},
        {"Microsoft ADPCM block beyond the buffer", bigMsBlock},
        {"IMA mono block beyond the buffer", ImaFmt(1, 4100)},
        {"IMA stereo block beyond the buffer", ImaFmt(2, 4112)},
        {"IMA with three channels", ImaFmt(3, 512)},
        {"16-bit float", Fmt(3, 2, 44100, 4, 16)},
        {"float frame beyond the buffer", Fmt(3, 2049, 44100, 16392, 64)},
        {"no channels", Fmt(1, 0, 44100, 4, 16)},
        {"no sample rate", Fmt(1, 2, 0, 4, 16)},
        {"12-bit PCM", Fmt(1, 2, 44100, 4, 12)},
    };
    for (const auto& [name, fmt] : cases) {
        const auto bytes =
            RiffBuilder().Chunk("fmt ", fmt).Chunk("fact", Fact(1)).Chunk("data", kData);
        const TWavHeaderParse parse = ParseWavHeader(bytes.Bytes());
        EXPECT_FALSE(parse.Header) << name;
        EXPECT_FALSE(parse.Message.empty()) << name;
    }
    const auto largestMono =
        RiffBuilder().Chunk("fmt ", ImaFmt(1, 4099)).Chunk("fact", Fact(1)).Chunk("data", kData);
    EXPECT_TRUE(ParseWavHeader(largestMono.Bytes()).Header);
}

TEST(WavHeaderTest, RefusesTruncatedOrFarHeaders) {
    const std::vector<std::uint8_t> onlyRiff = {'R', 'I', 'F', 'F'};
    EXPECT_FALSE(ParseWavHeader(onlyRiff).Header);
    EXPECT_FALSE(ParseWavHeader({}).Header);

    const auto noData = RiffBuilder().Chunk("fmt ", Fmt(1, 1, 8000, 1, 8)).Bytes();
    EXPECT_FALSE(ParseWavHeader(noData).Header);

    // "data" header just past the examined 8192 bytes.
    const auto far = RiffBuilder()
                         .Chunk("fmt ", Fmt(1, 1, 8000, 1, 8))
                         .Chunk("junk", std::vector<std::uint8_t>(8192 - 12 - 24 - 8 - 4))
                         .Chunk("data", kData)
                         .Bytes();
    const TWavHeaderParse parse = ParseWavHeader(far);
    EXPECT_FALSE(parse.Header);
    EXPECT_EQ(parse.Message, "No data chunk");
    // One byte less of junk and it fits.
    const auto near = RiffBuilder()
                          .Chunk("fmt ", Fmt(1, 1, 8000, 1, 8))
                          .Chunk("junk", std::vector<std::uint8_t>(8192 - 12 - 24 - 8 - 8))
                          .Chunk("data", kData)
                          .Bytes();
    EXPECT_TRUE(ParseWavHeader(near).Header);
}
