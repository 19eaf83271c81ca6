// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_sums.h"

namespace {

using Words = std::vector<std::uint32_t>;

std::vector<std::uint8_t> BytesOf(const Words& words) {
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t word : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
        }
    }
    return bytes;
}

// Feeds bytes to a checksummer or scanner in blocks of random sizes, many of
// them ending inside a sample.
template <typename Summer>
auto FeedInBlocks(Summer summer, const std::vector<std::uint8_t>& bytes) {
    std::mt19937 random(static_cast<unsigned>(bytes.size()));
    std::uniform_int_distribution<std::size_t> size(1, 9000);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t block = std::min(size(random), bytes.size() - at);
        summer.Update(std::span(bytes).subspan(at, block));
        at += block;
    }
    return summer.Finish();
}

std::optional<TArSums> SumsOf(const Words& words, bool first, bool last) {
    return FeedInBlocks(TArChecksummer(words.size(), first, last), BytesOf(words));
}

// Samples [from, from + count) of a disc, silence outside it.
Words DiscSamples(const Words& disc, std::int64_t from, std::int64_t count) {
    Words samples;
    for (std::int64_t p = from; p < from + count; ++p) {
        samples.push_back(p >= 0 && p < static_cast<std::int64_t>(disc.size()) ? disc[p] : 0);
    }
    return samples;
}

// The scan of the track at disc samples [start, start + count).
TArShiftedSums ScanOf(const Words& disc, std::int64_t start, std::int64_t count, bool first,
                      bool last) {
    const std::int64_t margin = kArScanMarginSectors * kArSamplesPerSector;
    const auto sums = FeedInBlocks(TArOffsetScanner(count, first, last),
                                   BytesOf(DiscSamples(disc, start - margin, count + 2 * margin)));
    EXPECT_TRUE(sums.has_value());
    return sums.value_or(TArShiftedSums{});
}

// The bytes of the legacy .NET System.Random(seed).NextBytes (Knuth's
// subtractive generator), in which a published test disc is given.
std::vector<std::uint8_t> DotNetRandomBytes(int seed, std::size_t count) {
    constexpr int kBig = 2147483647;
    int table[56] = {};
    int mj = 161803398 - std::abs(seed);
    table[55] = mj;
    int mk = 1;
    for (int i = 1; i < 55; ++i) {
        const int ii = 21 * i % 55;
        table[ii] = mk;
        mk = mj - mk;
        if (mk < 0)
            mk += kBig;
        mj = table[ii];
    }
    for (int k = 1; k < 5; ++k) {
        for (int i = 1; i < 56; ++i) {
            table[i] -= table[1 + (i + 30) % 55];
            if (table[i] < 0)
                table[i] += kBig;
        }
    }
    int next = 0;
    int nextp = 21;
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        next = next + 1 >= 56 ? 1 : next + 1;
        nextp = nextp + 1 >= 56 ? 1 : nextp + 1;
        int value = table[next] - table[nextp];
        if (value == kBig)
            --value;
        if (value < 0)
            value += kBig;
        table[next] = value;
        byte = static_cast<std::uint8_t>(value % 256);
    }
    return bytes;
}

Words WordsOf(const std::vector<std::uint8_t>& bytes) {
    Words words(bytes.size() / 4);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = bytes[4 * i] | bytes[4 * i + 1] << 8 | bytes[4 * i + 2] << 16 |
                   static_cast<std::uint32_t>(bytes[4 * i + 3]) << 24;
    }
    return words;
}

// A disc whose audio starts at sample 0; tracks start at these sectors.
struct TestDisc {
    Words audio;
    std::vector<std::int64_t> starts;  // in samples, then the end

    [[nodiscard]] std::size_t Tracks() const { return starts.size() - 1; }
    [[nodiscard]] Words Track(std::size_t i) const {
        return DiscSamples(audio, starts[i], starts[i + 1] - starts[i]);
    }
    [[nodiscard]] TArShiftedSums Scan(std::size_t i) const {
        return ScanOf(audio, starts[i], starts[i + 1] - starts[i], i == 0, i + 1 == Tracks());
    }
};

TestDisc PublishedDisc() {
    TestDisc disc{WordsOf(DotNetRandomBytes(2314, 136 * 2352)), {}};
    for (const std::int64_t sector : {13, 68, 99, 136}) {
        disc.starts.push_back(sector * kArSamplesPerSector);
    }
    return disc;
}

TestDisc NoiseDisc(std::vector<std::int64_t> sectors) {
    TestDisc disc;
    std::int64_t at = 0;
    for (const std::int64_t length : sectors) {
        disc.starts.push_back(at);
        at += length * kArSamplesPerSector;
    }
    disc.starts.push_back(at);
    std::mt19937 random(7);
    disc.audio.resize(at);
    std::generate(disc.audio.begin(), disc.audio.end(), random);
    return disc;
}

TEST(AccurateRipSumsTest, SumsOfKnownAudio) {
    const auto filled = [](std::uint32_t word) { return Words(10 * 588, word); };
    const auto ramp = [](std::size_t sectors) {
        Words words(sectors * 588);
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = static_cast<std::uint32_t>(i);
        return words;
    };
    const TestDisc published = PublishedDisc();
    struct Case {
        Words words;
        bool first, last;
        std::uint32_t v1, v2;
        std::optional<std::uint32_t> crc32{}, frame450{}, peak{};
    };
    const Case cases[] = {
        {filled(0xFFFFFFFF), false, false, 0xfef82c64, 0xffffe908, {}, 0, 1},
        {filled(0xFFFFFFFF), true, false, 0xff3a18ae, 0xfffff483},
        {filled(0xFFFFFFFF), false, true, 0xffbe083a, 0xfffff484},
        {filled(0xFFFFFFFF), true, true, 0xfffff484, 0xffffffff},
        {filled(0x7FFF8000), false, false, 0x16320000, 0x16b5d894, {}, {}, 32768},
        {filled(0x7FFF8000), true, false, 0x0c570000, 0x0cb9eb0b},
        {filled(0x7FFF8000), false, true, 0x041d0000, 0x043df346},
        {filled(0x7FFF8000), true, true, 0xfa420000, 0xfa4205bd},
        {ramp(10), false, false, 0xc7286258, 0xc7286258, {}, {}, 5879},
        {ramp(10), true, false, 0xcec73180, 0xcec73180},
        {ramp(10), false, true, 0xf8e5096c, 0xf8e5096c},
        {ramp(10), true, true, 0x0083d894, 0x0083d894},
        {ramp(452), false, false, 0x313d35f0, 0x3151a0d3, 0xf7c2b17a, 0xaf1b84cc, 32768},
        {published.Track(0), true, false, 0xde27c0ee, 0xedba04d2, 0x13274b2a},
        {published.Track(1), false, false, 0x83437168, 0x882ff830, 0x0234974b},
        {published.Track(2), false, true, 0xdfac96ee, 0xe4f488b3, 0x1ec56ec6},
        // Shorter than the last track's unsummed tail: nothing is summed.
        {Words(2000, 5), false, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.words.size() << " samples, first " << c.first
                                        << ", last " << c.last << ", v1 " << std::hex << c.v1);
        const std::optional<TArSums> sums = SumsOf(c.words, c.first, c.last);
        ASSERT_TRUE(sums.has_value());
        EXPECT_EQ(sums->v1, c.v1);
        EXPECT_EQ(sums->v2, c.v2);
        EXPECT_EQ(sums->crc32, c.crc32.value_or(sums->crc32));
        EXPECT_EQ(sums->frame450, c.frame450.value_or(sums->frame450));
        EXPECT_EQ(sums->peak, c.peak.value_or(sums->peak));

        // A byte short or a byte over is no track at all.
        std::vector<std::uint8_t> over = BytesOf(c.words);
        const std::vector<std::uint8_t> under(over.begin(), over.end() - 1);
        over.push_back(0);
        EXPECT_FALSE(FeedInBlocks(TArChecksummer(c.words.size(), c.first, c.last), over));
        EXPECT_FALSE(FeedInBlocks(TArChecksummer(c.words.size(), c.first, c.last), under));
    }
}

TEST(AccurateRipSumsTest, ScanGivesTheSumAtEveryShift) {
    // Published sums of the disc read later by a few samples.
    const TestDisc published = PublishedDisc();
    const struct {
        std::size_t track;
        int shift;
        std::uint32_t v1;
    } known[] = {{0, -1, 0x075fdb5b}, {0, 99, 0x75bb77e4}, {1, -3, 0x5a98449a},
                 {1, 11, 0x7e06f48c}, {2, -4, 0x5aab2d70}, {2, 55, 0x11f7893d}};
    for (const auto& k : known) {
        EXPECT_EQ(published.Scan(k.track).At(k.shift), k.v1) << k.track << " " << k.shift;
    }

    // Every track of a noise disc against its sums taken directly from the
    // shifted audio, up to the largest shifts; the middle track has a sector 450.
    const TestDisc noise = NoiseDisc({20, 460, 12});
    for (std::size_t i = 0; i < noise.Tracks(); ++i) {
        const TArShiftedSums scan = noise.Scan(i);
        const std::int64_t length = noise.starts[i + 1] - noise.starts[i];
        for (const int shift : {-kArMaxShift, -1164, -1, 0, 1, 48, 667, kArMaxShift}) {
            const Words shifted = DiscSamples(noise.audio, noise.starts[i] + shift, length);
            const auto direct = SumsOf(shifted, i == 0, i + 1 == noise.Tracks());
            EXPECT_EQ(scan.At(shift), direct->v1) << "track " << i << " shift " << shift;
        }
    }
}

TArToc TocOf(std::vector<std::uint32_t> starts, std::uint32_t leadOut,
             std::vector<std::size_t> dataTracks = {}) {
    TArToc toc{{}, leadOut};
    for (const std::uint32_t start : starts)
        toc.tracks.push_back({start, false});
    for (const std::size_t index : dataTracks)
        toc.tracks[index].data = true;
    return toc;
}

TEST(AccurateRipDiscTest, IdsPathsAndTracks) {
    struct Case {
        TArToc toc;
        std::string path;
        std::uint32_t lastSectors;  // of the last audio track
        std::size_t slotless = 0;   // audio tracks without an entry in the answer
    };
    std::vector<std::uint32_t> mixed = {
        0,      66578,  76352,  85813,  93610,  103898, 115916, 124593, 134056, 142766,
        151702, 160570, 169275, 178581, 188309, 196561, 206204, 214695, 223536, 225596,
        226234, 232518, 239297, 239781, 244839, 254114, 259916, 261072, 261524};
    const Case cases[] = {
        {TocOf({33, 5225, 7390, 23380, 35608, 49820, 69508, 87733, 106333, 139495, 157863, 198495,
                213368, 225320, 234103},
               253038),
         "/accuraterip/8/7/1/dBAR-015-001b9178-014be24e-b40d2d0f.bin", 253038 - 234103},
        {TocOf({32, 96985, 166422}, 264957),
         "/accuraterip/c/0/0/dBAR-003-0008100c-001ac008-190dcc03.bin", 264957 - 166422},
        {TocOf({0, 29042, 53880, 58227, 84420, 94192, 119165, 123030, 147500, 148267, 174602,
                208125, 212705, 239890, 268705, 272055, 291720, 319992},
               332075),
         "/accuraterip/8/7/c/dBAR-018-00307c78-0281351d-27114b12.bin", 332075 - 319992},
        {TocOf({33}, 233484), "/accuraterip/d/2/0/dBAR-001-0003902d-00072039-020c2901.bin",
         233484 - 33},
        // Enhanced CD: the data session starts at 207106.
        {TocOf({0, 15537, 31691, 50866, 66466, 81202, 99409, 115920, 133093, 149847, 161560, 177682,
                207106},
               210385, {12}),
         "/accuraterip/a/5/d/dBAR-012-0013bd5a-00b8d489-c60af50d.bin", 207106 - 11400 - 177682},
        // Mixed mode: data first.
        {TocOf(mixed, 261826, {0}), "/accuraterip/4/5/a/dBAR-028-00517a54-05a845d2-af0da31d.bin",
         261826 - 261524, 1},
    };
    for (const Case& c : cases) {
        const std::optional<TArDisc> disc = AccurateRipDisc(c.toc);
        ASSERT_TRUE(disc.has_value()) << c.path;
        EXPECT_EQ(AccurateRipPath(disc->ids), c.path);
        EXPECT_EQ(disc->tracks.back().sectors, c.lastSectors) << c.path;
        EXPECT_TRUE(disc->tracks.front().first && disc->tracks.back().last) << c.path;
        EXPECT_EQ(std::count_if(disc->tracks.begin(), disc->tracks.end(),
                                [](const TArTrack& track) { return !track.slot; }),
                  c.slotless)
            << c.path;
        for (const TArTrack& track : disc->tracks) {
            EXPECT_TRUE(!track.slot || *track.slot == static_cast<std::size_t>(track.number) - 1);
        }
    }

    const TArToc refused[] = {
        TocOf({}, 1000),
        TocOf({0, 500}, 1000, {0, 1}),  // no audio
        TocOf({0, 500, 400}, 1000),     // starts fall back
        TocOf({0, 500}, 500),           // lead-out on a track's start
        TocOf(std::vector<std::uint32_t>(100, 0), 1000),
    };
    for (const TArToc& toc : refused) {
        EXPECT_FALSE(AccurateRipDisc(toc).has_value()) << toc.tracks.size();
    }
    std::vector<std::uint32_t> ninetyNine(99);
    for (std::uint32_t i = 0; i < 99; ++i)
        ninetyNine[i] = 1000 * i;
    EXPECT_TRUE(AccurateRipDisc(TocOf(ninetyNine, 99000)).has_value());
}

std::string Chunk(const TArIds& ids, const std::vector<TArEntry>& entries) {
    std::string bytes;
    const auto u32 = [&](std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>(value >> shift));
    };
    bytes.push_back(static_cast<char>(ids.audioTracks));
    u32(ids.id1);
    u32(ids.id2);
    u32(ids.cddbId);
    for (const TArEntry& entry : entries) {
        bytes.push_back(static_cast<char>(entry.confidence));
        u32(entry.sum);
        u32(entry.frame450);
    }
    return bytes;
}

std::vector<TArEntry> Entries(std::size_t count, std::uint32_t seed) {
    std::vector<TArEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        entries.push_back({(seed + i) % 201, seed * 0x9E3779B9U + i, i * 0x85EBCA6BU});
    }
    return entries;
}

TEST(AccurateRipAnswerTest, AnswersAreTakenWholeOrNotAtAll) {
    const TArIds ids{3, 0x0008100c, 0x001ac008, 0x190dcc03};
    const TArIds big{99, 0x12345678, 0x9abcdef0, 0x0f0f0f63};
    const std::string one = Chunk(ids, Entries(3, 1));
    const std::string two = Chunk(ids, Entries(3, 2));
    const auto other = [&](auto change) {
        TArIds wrong = ids;
        change(wrong);
        return Chunk(wrong, Entries(3, 3));
    };
    std::string oversized;
    while (oversized.size() <= kArMaxAnswerBytes)
        oversized += Chunk(big, Entries(99, 4));
    struct Case {
        std::string body;
        TArIds ids;
        std::size_t chunks;                      // when sound
        std::optional<std::size_t> errorOffset;  // when refused
    };
    const Case cases[] = {
        {one, ids, 1, {}},
        {one + two, ids, 2, {}},
        {Chunk(big, Entries(99, 5)) + Chunk(big, Entries(99, 6)), big, 2, {}},
        {"", ids, 0, 0},
        {one + two.substr(0, two.size() - 1), ids, 0, one.size()},
        {one + std::string(1, '\0'), ids, 0, one.size()},
        {one.substr(0, 12), ids, 0, 0},
        {one + other([](TArIds& i) { i.audioTracks = 2; }), ids, 0, one.size()},
        {one + other([](TArIds& i) { i.id1 ^= 1; }), ids, 0, one.size()},
        {one + other([](TArIds& i) { i.id2 ^= 0x80000000; }), ids, 0, one.size()},
        {one + other([](TArIds& i) { i.cddbId += 1; }), ids, 0, one.size()},
        {oversized, big, 0, kArMaxAnswerBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.body.size() << " bytes");
        const TArAnswer answer = ParseAccurateRipAnswer(c.body, c.ids);
        EXPECT_EQ(answer.chunks.size(), c.chunks);
        EXPECT_EQ(answer.error.empty(), !c.errorOffset.has_value());
        EXPECT_EQ(answer.errorOffset, c.errorOffset.value_or(0));
        for (const TArChunk& chunk : answer.chunks) {
            ASSERT_EQ(chunk.size(), c.ids.audioTracks);
        }
    }
    // The entries of a sound answer, in order.
    const TArAnswer answer = ParseAccurateRipAnswer(one + two, ids);
    for (std::size_t i = 0; i < 3; ++i) {
        const TArEntry expected = Entries(3, 2)[i];
        EXPECT_EQ(answer.chunks[1][i].confidence, expected.confidence);
        EXPECT_EQ(answer.chunks[1][i].sum, expected.sum);
        EXPECT_EQ(answer.chunks[1][i].frame450, expected.frame450);
    }
}

TEST(AccurateRipVerdictTest, VerdictsAndTheirTexts) {
    const TArSums sums{.v1 = 0x11111111, .v2 = 0x22222222};
    const TArRippedTrack track{0, sums, {}};
    struct Case {
        std::vector<TArChunk> chunks;
        TArRippedTrack track;
        int version;
        std::uint32_t confidence, total;
        std::string text;
    };
    const Case cases[] = {
        {{{{3, 0x11111111, 0}}, {{5, 0x33333333, 0}}}, track, 1, 3, 8, "accurate (confidence 3)"},
        {{{{3, 0x33333333, 0}}, {{5, 0x22222222, 0}}}, track, 2, 5, 8, "accurate (confidence 5)"},
        // A v1 chunk and a v2 chunk of the same pressing.
        {{{{4, 0x11111111, 0}}, {{6, 0x22222222, 0}}}, track, 2, 6, 10, "accurate (confidence 6)"},
        // Two pressings with the same audio.
        {{{{4, 0x11111111, 0}}, {{6, 0x11111111, 0}}},
         track,
         1,
         10,
         10,
         "accurate (confidence 10)"},
        {{{{3, 0x33333333, 0}}, {{200, 0x44444444, 0}}}, track, 0, 0, 203, "not accurate"},
        // Entries without confidence or without a sum are nobody's.
        {{{{0, 0x11111111, 0x5}}, {{9, 0, 0x22222222}}}, track, 0, 0, 0, "not present in database"},
        // A mixed-mode disc's last audio track has no entry.
        {{{{3, 0x11111111, 0}}}, {{}, sums, {}}, 0, 0, 0, "not present in database"},
    };
    for (const Case& c : cases) {
        const std::vector<TArVerdict> verdicts =
            AccurateRipVerdicts(c.chunks, std::span(&c.track, 1), 0);
        ASSERT_EQ(verdicts.size(), 1U);
        EXPECT_EQ(verdicts[0].version, c.version) << c.text;
        EXPECT_EQ(verdicts[0].confidence, c.confidence) << c.text;
        EXPECT_EQ(verdicts[0].total, c.total) << c.text;
        EXPECT_EQ(AccurateRipResultText(verdicts[0]), c.text);
    }
    EXPECT_EQ(AccurateRipResultText({TArResult::DiscNotPresent, 0, 0, 0, {}}),
              "disc not present in database");
    EXPECT_EQ(AccurateRipResultText({TArResult::NotChecked, 0, 0, 0, {}}), "not checked");

    // A real 20-track rip against its pressing's answer: nobody submitted
    // track 1, and track 10 differs.
    const std::uint32_t ripped[] = {0x620b0797, 0xaf8c44c5, 0xed6e6b72, 0x5b14b03f, 0x47bf11ce,
                                    0x45586f9c, 0xd980ce1c, 0x05fde0bb, 0x5e60190e, 0x16457a5a,
                                    0x6dd3879f, 0xa9e0693b, 0x4f4212cc, 0x969e7060, 0x968df956,
                                    0x0c806df6, 0xbdc8ef81, 0x7d2acbb7, 0xaf77f474, 0x8a615f4c};
    TArChunk chunk;
    std::vector<TArRippedTrack> tracks;
    for (std::size_t i = 0; i < 20; ++i) {
        chunk.push_back({2, ripped[i], 0});
        tracks.push_back({i, {.v1 = ripped[i], .v2 = ~ripped[i]}, {}});
    }
    chunk[0] = {0, 0, 0xc5fdbad4};
    chunk[9].sum = 0xeb6e55b4;
    const std::vector<TArVerdict> verdicts = AccurateRipVerdicts(std::span(&chunk, 1), tracks, 6);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(AccurateRipResultText(verdicts[i]), i == 0   ? "not present in database"
                                                      : i == 9 ? "not accurate"
                                                               : "accurate (confidence 2)")
            << "track " << i + 1;
    }
}

TEST(AccurateRipVerdictTest, ScanTellsTheReadOffsetThatMatches) {
    // The pressing's sums, as others submitted them in a v1 and a v2 chunk.
    const TestDisc truth = NoiseDisc({14, 30, 11, 25});
    TArChunk v1Chunk;
    TArChunk v2Chunk;
    for (std::size_t i = 0; i < truth.Tracks(); ++i) {
        const auto sums = SumsOf(truth.Track(i), i == 0, i + 1 == truth.Tracks());
        v1Chunk.push_back({4, sums->v1, 0});
        v2Chunk.push_back({7, sums->v2, 0});
    }
    const std::vector<TArChunk> chunks = {v1Chunk, v2Chunk};

    struct Case {
        int ahead;       // the rip holds disc sample p + ahead at p
        int readOffset;  // the correction it was ripped with
        bool damaged;    // one sample of the second track changed
        std::vector<std::string> texts;
    };
    const std::string accurate = "accurate (confidence 7)";
    const Case cases[] = {
        {0, 0, false, {accurate, accurate, accurate, accurate}},
        {-48, 0, false, std::vector<std::string>(4, "not accurate, matches at read offset +48")},
        {1164, 6, false, std::vector<std::string>(4, "not accurate, matches at read offset -1158")},
        {-kArMaxShift, 0, false,
         std::vector<std::string>(4, "not accurate, matches at read offset +2939")},
        {0, 0, true, {accurate, "not accurate", accurate, accurate}},
        {-30, 0, true, std::vector<std::string>(4, "not accurate")},
    };
    for (const Case& c : cases) {
        TestDisc rip = truth;
        rip.audio =
            DiscSamples(truth.audio, c.ahead, static_cast<std::int64_t>(truth.audio.size()));
        if (c.damaged) {
            rip.audio[rip.starts[1] + 5000] ^= 1;
        }
        std::vector<TArRippedTrack> tracks;
        for (std::size_t i = 0; i < rip.Tracks(); ++i) {
            tracks.push_back(
                {i, *SumsOf(rip.Track(i), i == 0, i + 1 == rip.Tracks()), rip.Scan(i)});
        }
        const std::vector<TArVerdict> verdicts = AccurateRipVerdicts(chunks, tracks, c.readOffset);
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            EXPECT_EQ(AccurateRipResultText(verdicts[i]), c.texts[i])
                << "ahead by " << c.ahead << ", track " << i + 1;
        }
    }
}

}  // namespace
