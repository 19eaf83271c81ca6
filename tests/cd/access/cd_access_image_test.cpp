// SPDX-License-Identifier: GPL-3.0-or-later
// The CD access module on real BIN/CUE images through libcdio.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "image_fixture.h"
#include "support/common/files.h"

// Readable failures: found by argument lookup, so outside the unnamed namespace.
inline void PrintTo(const TCDText& text, std::ostream* out) {
    *out << '"' << text.Title << "\" / \"" << text.Performer << '"';
    for (const TCDTextTrack& track : text.Tracks) {
        *out << ", " << int{track.Number} << " \"" << track.Title << "\" / \"" << track.Performer
             << '"';
    }
}

namespace {

using CDAccessImageTest = ImageFixture;

// The bytes of count sectors from start, or empty after a failed read.
discimage::Pcm ReadSectors(TCDHandle handle, std::uint32_t start, std::uint32_t count) {
    TTrackBuf buffer = MakeTrackBuf(start, count);
    if (ReadCDAudioLBA(handle, &buffer) != 1) {
        return {};
    }
    EXPECT_EQ(buffer.Len, count * kCDSectorBytes);
    const auto first = buffer.Buf.begin() + buffer.StartOffset;
    return {first, first + buffer.Len};
}

discimage::Pcm Slice(const discimage::Pcm& all, std::uint32_t start, std::uint32_t count) {
    return {all.begin() + std::size_t{start} * kCDSectorBytes,
            all.begin() + std::size_t{start + count} * kCDSectorBytes};
}

void ExpectMsf(const TTOCTrack& entry, int minute, int second, int frame) {
    EXPECT_EQ(entry.Address[1], minute);
    EXPECT_EQ(entry.Address[2], second);
    EXPECT_EQ(entry.Address[3], frame);
}

TEST_F(CDAccessImageTest, DriveListShowsImagesAfterRealDrivesAndRespectsCapacity) {
    discimage::WriteResult second = discimage::WriteDiscImage(Cue("second"), ThreeTracks());
    ASSERT_TRUE(second.ok);
    MakeImage(ThreeTracks(), "first");
    const std::string images = Cue("first").string() + "::" + Cue("second").string();
    ::setenv("BRISKLARK_DISC_IMAGES", images.c_str(), 1);

    TCDList list;
    ASSERT_EQ(GetCDList(&list), 1);
    ASSERT_GE(list.Num, 2);
    const TCDDriveInfo& a = list.Drives[list.Num - 2];
    const TCDDriveInfo& b = list.Drives[list.Num - 1];
    EXPECT_STREQ(a.Vendor, "Image   ");
    EXPECT_STREQ(a.Product, "first.cue");
    EXPECT_STREQ(b.Vendor, "Image   ");
    EXPECT_STREQ(b.Product, "second.cue");

    TCDList one;
    one.Max = 1;
    ASSERT_EQ(GetCDList(&one), 1);
    EXPECT_EQ(one.Num, 1);
}

TEST_F(CDAccessImageTest, TableOfContentsEqualsTheCueSheet) {
    // Track starts 0, 31 and 39; lead-out 52 (sectors after 00:02:00).
    const auto layout = MakeImage(ThreeTracks());
    ASSERT_EQ(layout.trackStarts, (std::vector<std::uint32_t>{0, 31, 39}));
    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);

    TTOC lba;
    ASSERT_EQ(ReadTOC(handle, &lba), 1);
    EXPECT_EQ(lba.FirstTrack, 1);
    EXPECT_EQ(lba.LastTrack, 3);
    EXPECT_EQ(lba.Tracks[1].Address[3], 31);  // big-endian sector number
    EXPECT_EQ(lba.Tracks[3].Address[3], 52);

    ASSERT_EQ(ModifyCDParms(handle, kCDParmMSF, 1), 1);
    TTOC toc;
    ASSERT_EQ(ReadTOC(handle, &toc), 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(toc.Tracks[k].TrackNumber, k + 1);
        EXPECT_EQ(toc.Tracks[k].AdrControl & 0x04, 0) << "audio track " << k + 1;
    }
    ExpectMsf(toc.Tracks[0], 0, 2, 0);
    ExpectMsf(toc.Tracks[1], 0, 2, 31);
    ExpectMsf(toc.Tracks[2], 0, 2, 39);
    EXPECT_EQ(toc.Tracks[3].TrackNumber, kLeadOutTrack);
    ExpectMsf(toc.Tracks[3], 0, 2, 52);
    EXPECT_EQ(CDHasAudioTrack(handle), 1);
}

TEST_F(CDAccessImageTest, MsfCarriesIntoSecondsAndMinutes) {
    // 4 minutes and 3 seconds of sectors: the second track starts at 04:05:00.
    const std::uint32_t sectors = (4 * 60 + 3) * 75;
    const auto layout = MakeImage({discimage::Pcm(sectors * kCDSectorBytes, 0),
                                   discimage::BytePattern(kCDSectorBytes * 80, 9)});
    ASSERT_EQ(layout.leadOut, sectors + 80);
    const TCDHandle handle = OpenLastDrive();
    ASSERT_EQ(ModifyCDParms(handle, kCDParmMSF, 1), 1);
    TTOC toc;
    ASSERT_EQ(ReadTOC(handle, &toc), 1);
    ExpectMsf(toc.Tracks[1], 4, 5, 0);
    ExpectMsf(toc.Tracks[2], 4, 6, 5);
}

TEST_F(CDAccessImageTest, SectorsEqualTheSourceAtStartsEndsAndAcrossTracks) {
    const auto tracks = ThreeTracks();
    const auto all = DiscBytes(tracks);
    const auto layout = MakeImage(tracks);
    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);

    for (std::uint32_t start : layout.trackStarts) {
        EXPECT_EQ(ReadSectors(handle, start, 1), Slice(all, start, 1)) << "start " << start;
        EXPECT_EQ(ReadSectors(handle, start - (start > 0), 2), Slice(all, start - (start > 0), 2))
            << "boundary at " << start;
    }
    // The last sector of each track holds its zero padding.
    EXPECT_EQ(ReadSectors(handle, 30, 1), Slice(all, 30, 1));
    EXPECT_EQ(ReadSectors(handle, 51, 1), Slice(all, 51, 1));
    // A long read spanning all three tracks, ending exactly at the lead-out.
    EXPECT_EQ(ReadSectors(handle, 0, layout.leadOut), all);
}

TEST_F(CDAccessImageTest, ReadsOutsideTheDiscFailWithoutTouchingTheBuffer) {
    const auto layout = MakeImage(ThreeTracks());
    const TCDHandle handle = OpenLastDrive();
    const std::uint32_t leadOut = layout.leadOut;
    for (auto [start, count] : {std::pair{leadOut, 1u}, std::pair{leadOut - 1, 2u},
                                std::pair{0xFFFFFFFFu, 2u}, std::pair{leadOut + 100, 10u}}) {
        TTrackBuf buffer = MakeTrackBuf(start, count);
        EXPECT_EQ(ReadCDAudioLBA(handle, &buffer), 0) << start << "+" << count;
        EXPECT_EQ(GetAspiLibError(), cdeOutOfRange);
        EXPECT_EQ(buffer.Len, 0u);
    }
}

TEST_F(CDAccessImageTest, BadReadBuffersAreRefused) {
    MakeImage(ThreeTracks());
    const TCDHandle handle = OpenLastDrive();
    TTrackBuf small = MakeTrackBuf(0, 2);
    small.MaxLen = kCDSectorBytes;  // room for one sector, two asked for
    EXPECT_EQ(ReadCDAudioLBA(handle, &small), 0);
    EXPECT_EQ(GetAspiLibError(), cdeBadArgument);

    TTrackBuf lying = MakeTrackBuf(0, 1);
    lying.NumFrames = 3;
    lying.MaxLen = 3 * kCDSectorBytes;  // claims more than the data area holds
    EXPECT_EQ(ReadCDAudioLBA(handle, &lying), 0);

    TTrackBuf none = MakeTrackBuf(0, 0);
    EXPECT_EQ(ReadCDAudioLBA(handle, &none), 0);
    EXPECT_EQ(ReadCDAudioLBA(handle, nullptr), 0);
}

TEST_F(CDAccessImageTest, BinShorterThanItsCueFailsThePastTheEndRead) {
    const auto tracks = ThreeTracks();
    const auto all = DiscBytes(tracks);
    const auto layout = MakeImage(tracks);
    const std::filesystem::path bin = m_dir / "disc.bin";

    // Part of the last sector is missing: libcdio would report it read.
    std::filesystem::resize_file(bin, all.size() - 1000);
    TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(ReadSectors(handle, layout.leadOut - 1, 1).empty());
    EXPECT_EQ(GetAspiLibError(), cdeOutOfRange);
    EXPECT_EQ(ReadSectors(handle, 39, 12), Slice(all, 39, 12));
    CloseCDHandle(handle);

    // Five whole sectors missing: the last track cannot be read as the cue claims.
    std::filesystem::resize_file(bin, all.size() - 5 * kCDSectorBytes);
    handle = OpenLastDrive();
    TTOC toc;
    ASSERT_EQ(ReadTOC(handle, &toc), 1);
    EXPECT_TRUE(ReadSectors(handle, 39, 13).empty());
    EXPECT_EQ(ReadSectors(handle, 39, 8), Slice(all, 39, 8));
    CloseCDHandle(handle);

    // So short that the last track starts after the data ends: no valid table.
    std::filesystem::resize_file(bin, 35 * kCDSectorBytes);
    handle = OpenLastDrive();
    EXPECT_EQ(ReadTOC(handle, &toc), 0);
    EXPECT_EQ(GetAspiLibError(), cdeNoDisc);
}

TEST_F(CDAccessImageTest, CDTextOfTheCueSheetComesAsCleanUtf8) {
    // Cue text is ISO-8859-1; the hostile lines bring control characters
    // (0x01, 0x85 = U+0085) and an overlong title, written past the writer.
    const std::string hostile =
        "TITLE \"" + std::string(kCDTextMaxBytes + 9, 'x') + "\"\nPERFORMER \" A\x01\x85\xE9 \"\n";
    struct Case {
        const char* name;
        discimage::CueText cue;
        std::string prefix;  // raw lines put before the written cue sheet
        TCDText expected;
    };
    const Case cases[] = {
        {"titles",
         {"Café Ölmühle", "Björk", {{"Jóga", ""}, {}, {"Señor", "Guest"}}},
         "",
         {"Café Ölmühle", "Björk", {{1, "Jóga", ""}, {3, "Señor", "Guest"}}}},
        {"hostile", {}, hostile, {std::string(kCDTextMaxBytes, 'x'), "A  é", {}}},
        {"none", {}, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(discimage::WriteDiscImage(Cue(c.name), ThreeTracks(), c.cue).ok);
        const std::string sheet = c.prefix + ReadText(Cue(c.name));
        WriteText(Cue(c.name), sheet);
        ::setenv("BRISKLARK_DISC_IMAGES", Cue(c.name).c_str(), 1);
        const TCDHandle handle = OpenLastDrive();
        TCDText text{"stale", "", {}};
        ASSERT_EQ(ReadCDText(handle, &text), 1) << GetAspiLibError();
        EXPECT_EQ(text, c.expected) << sheet;
        EXPECT_EQ(GetAspiLibError(), cdeNoError);
        CloseCDHandle(handle);
    }
    TCDText text;
    EXPECT_EQ(ReadCDText(kMaxCDHandles, &text), 0);
    EXPECT_EQ(GetAspiLibError(), cdeInvalidHandle);
    const TCDHandle gone = OpenLastDrive();
    std::filesystem::remove(m_dir / "none.bin");
    EXPECT_EQ(ReadCDText(gone, &text), 0);
    EXPECT_EQ(GetAspiLibError(), cdeNoDisc);
}

TEST_F(CDAccessImageTest, HandlesAreSmallNumbersReusedAfterClose) {
    MakeImage(ThreeTracks());
    std::vector<TCDHandle> handles;
    for (int i = 0; i < kMaxCDHandles; ++i) {
        handles.push_back(OpenLastDrive());
        EXPECT_EQ(handles.back(), static_cast<TCDHandle>(i + 1));
    }
    EXPECT_EQ(OpenLastDrive(), 0u);
    EXPECT_EQ(GetAspiLibError(), cdeTooManyHandles);

    EXPECT_EQ(CloseCDHandle(4), 1);
    EXPECT_EQ(CloseCDHandle(4), 0);
    EXPECT_EQ(GetAspiLibError(), cdeInvalidHandle);
    EXPECT_EQ(OpenLastDrive(), 4u);

    EXPECT_EQ(CloseCDHandle(0), 0);
    EXPECT_EQ(CloseCDHandle(kMaxCDHandles + 1), 0);
    TTOC toc;
    EXPECT_EQ(ReadTOC(0, &toc), 0);
    EXPECT_EQ(ModifyCDParms(1, 7, 1), 0);
    EXPECT_EQ(GetAspiLibError(), cdeBadArgument);
}

TEST_F(CDAccessImageTest, UnusableImagesAreLeftOutOfTheListAndNamedOnce) {
    MakeImage(ThreeTracks(), "good");
    const std::string notACue = "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n";
    std::FILE* broken = std::fopen(Cue("broken").c_str(), "w");
    ASSERT_NE(broken, nullptr);
    std::fputs(notACue.c_str(), broken);
    std::fclose(broken);
    const std::string images = (m_dir / "missing.cue").string() + ":" + Cue("broken").string() +
                               ":" + (m_dir / "disc.iso").string() + ":" + Cue("good").string();
    ::setenv("BRISKLARK_DISC_IMAGES", images.c_str(), 1);

    ::testing::internal::CaptureStderr();
    TCDList list;
    ASSERT_EQ(GetCDList(&list), 1);
    ASSERT_EQ(GetCDList(&list), 1);
    const std::string said = ::testing::internal::GetCapturedStderr();

    ASSERT_GE(list.Num, 1);
    const TCDDriveInfo& last = list.Drives[list.Num - 1];
    EXPECT_STREQ(last.Product, "good.cue");
    EXPECT_EQ(last.Target, 0) << "the first image of the list";
    for (const char* name : {"missing.cue", "broken.cue", "disc.iso"}) {
        const std::size_t first = said.find(name);
        EXPECT_NE(first, std::string::npos) << name;
        EXPECT_EQ(said.find(name, first + 1), std::string::npos) << name << " said twice";
    }
    EXPECT_EQ(said.find("good.cue"), std::string::npos);
}

TEST_F(CDAccessImageTest, AnImageWhoseFilesVanishIsRemovedAndArrivesWhenTheyReturn) {
    const auto tracks = ThreeTracks();
    MakeImage(tracks);
    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(CDMediaChanged(handle), 0);

    const auto bin = std::filesystem::path(Cue()).replace_extension(".bin");
    const auto aside = m_dir / "aside.bin";
    std::filesystem::rename(bin, aside);
    EXPECT_EQ(CDMediaChanged(handle), 1);
    EXPECT_NE(CDHasAudioTrack(handle), 1);
    EXPECT_EQ(CDMediaChanged(handle), 0);

    std::filesystem::rename(aside, bin);
    EXPECT_EQ(CDMediaChanged(handle), 1);
    EXPECT_EQ(CDHasAudioTrack(handle), 1);
    EXPECT_EQ(CDMediaChanged(handle), 0);
    EXPECT_EQ(ReadSectors(handle, 31, 2), Slice(DiscBytes(tracks), 31, 2));
}

TEST_F(CDAccessImageTest, UnknownDriveGivesNoHandle) {
    TGetCDHandle request;
    request.Adapter = 7;
    EXPECT_EQ(GetCDHandle(&request), 0u);
    EXPECT_EQ(GetAspiLibError(), cdeNoSuchDrive);
}

TEST_F(CDAccessImageTest, ImageHasNoTrayAndStaysUsableAfterEjectAttempts) {
    const auto tracks = ThreeTracks();
    MakeImage(tracks);
    const TCDHandle handle = OpenLastDrive();
    EXPECT_EQ(EjectCD(handle), 0);
    EXPECT_EQ(GetAspiLibError(), cdeUnsupported);
    EXPECT_EQ(CloseCDTray(handle), 0);
    EXPECT_EQ(CDMediaChanged(handle), 0);
    EXPECT_EQ(ReadSectors(handle, 0, 2), Slice(DiscBytes(tracks), 0, 2));
    EXPECT_EQ(CloseCDHandle(handle), 1);
}

TEST_F(CDAccessImageTest, TwoThreadsReadOneHandleAtOnce) {
    const auto tracks = ThreeTracks();
    const auto all = DiscBytes(tracks);
    const auto layout = MakeImage(tracks);
    const TCDHandle handle = OpenLastDrive();
    auto readAll = [&](discimage::Pcm& out) {
        for (std::uint32_t s = 0; s < layout.leadOut; ++s) {
            const auto sector = ReadSectors(handle, s, 1);
            out.insert(out.end(), sector.begin(), sector.end());
        }
    };
    discimage::Pcm first;
    discimage::Pcm second;
    std::thread worker(readAll, std::ref(first));
    readAll(second);
    worker.join();
    EXPECT_EQ(first, all);
    EXPECT_EQ(second, all);
}

}  // namespace
