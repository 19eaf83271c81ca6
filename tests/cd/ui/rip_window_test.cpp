// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "audio/codecs/dynamic_library.h"
#include "discimage/synth.h"
#include "rip_test_support.h"

namespace fs = std::filesystem;

namespace {

using Stages = std::vector<std::string>;

// Makes a codec library fail to load while it lives.
class MissingLibrary {
public:
    explicit MissingLibrary(std::string soname) : m_soname(std::move(soname)) {
        DynamicLibrary::SetMissingForTest(m_soname, true);
    }
    ~MissingLibrary() { DynamicLibrary::SetMissingForTest(m_soname, false); }
    MissingLibrary(const MissingLibrary&) = delete;
    MissingLibrary& operator=(const MissingLibrary&) = delete;

private:
    std::string m_soname;
};

TEST_F(RipWindowTest, OneTrackInWavFormatIsRippedAndTheWindowClosesAtTheRipsEnd) {
    const Bytes tone = OneSecondTone(440);
    OpenDisc({tone});
    m_settings.CommonOptions.OutputFormat = ofWAV;

    const RipRecord record = Rip({"01Solo"});

    EXPECT_EQ(record.stages, (Stages{"rip Solo completed=0", "close"}));
    for (const QString& completed : record.completedTexts) {
        EXPECT_EQ(completed, "0");
    }
    EXPECT_TRUE(record.errors.empty());
    EXPECT_EQ(ReadFileBytes(Out("Solo.wav")), WavFileOf(tone));
}

TEST_F(RipWindowTest, ThreeMp3TracksAreRippedEncodedAndTaggedOneAfterAnother) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    OpenDisc({OneSecondTone(440), OneSecondTone(550), OneSecondTone(660)});
    m_settings.CommonOptions.OutputFormat = ofMP3;

    const RipRecord record = Rip({"01Alpha", "02Beta", "03Gamma"});

    EXPECT_EQ(record.stages,
              (Stages{"rip Alpha completed=0", "encode Alpha", "tag Alpha", "rip Beta completed=1",
                      "encode Beta", "tag Beta", "rip Gamma completed=2", "encode Gamma",
                      "tag Gamma", "close"}));
    EXPECT_TRUE(record.errors.empty());
    int track = 0;
    for (const std::string title : {"Alpha", "Beta", "Gamma"}) {
        ++track;
        SCOPED_TRACE(title);
        EXPECT_FALSE(fs::exists(Out(title + ".wav")));
        const Bytes decoded = DecodeWithFfmpeg(Out(title + ".mp3"));
        // One second plus at most the encoder's delay and padding.
        EXPECT_GE(decoded.size(), 176400U);
        EXPECT_LE(decoded.size(), 176400U + 4 * 1152 * 4);

        const auto tags = ReadTags(Out(title + ".mp3"));
        EXPECT_EQ(tags.at("TIT2"), title);
        EXPECT_EQ(tags.at("TPE1"), "The Artist");
        EXPECT_EQ(tags.at("TALB"), "The Album");
        EXPECT_EQ(tags.at("TDRC"), "1999");
        EXPECT_EQ(tags.at("COMM"), "live");
        EXPECT_EQ(tags.at("TRCK"), std::to_string(track) + "/3");
        EXPECT_EQ(tags.at("TCON"), "Blues");
        const Bytes mp3 = ReadFileBytes(Out(title + ".mp3"));
        EXPECT_EQ(mp3[mp3.size() - 2], track);
        EXPECT_EQ(mp3.back(), 0) << "ID3v1 genre number of Blues";
    }
}

TEST_F(RipWindowTest, FlacAndApeFilesDecodeToTheTracksSamples) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("flac");
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const Bytes first = OneSecondTone(440);
    const Bytes second = discimage::BytePattern(std::size_t{40} * discimage::kSectorBytes, 7);
    OpenDisc({first, second});
    for (const std::int32_t format : {ofFLAC, ofAPE}) {
        const std::string extension = format == ofFLAC ? ".flac" : ".ape";
        SCOPED_TRACE(extension);
        m_settings.CommonOptions.OutputFormat = format;

        const RipRecord record = Rip({"01Tone", "02Pattern"});

        EXPECT_TRUE(record.errors.empty());
        EXPECT_EQ(DecodeWithFfmpeg(Out("Tone" + extension)), first);
        EXPECT_EQ(DecodeWithFfmpeg(Out("Pattern" + extension)), second);
        EXPECT_FALSE(fs::exists(Out("Tone.wav")));
        EXPECT_FALSE(fs::exists(Out("Pattern.wav")));
    }
    const CommandResult flacTest = RunCommand("flac -t -s '" + Out("Tone.flac").string() + "'");
    EXPECT_EQ(flacTest.Status, 0);
    const auto tags = ReadTags(Out("Tone.flac"));
    EXPECT_EQ(tags.at("title"), "Tone");
    EXPECT_EQ(tags.at("comment"), "live");
    EXPECT_EQ(tags.at("artist"), "The Artist");
    EXPECT_EQ(tags.at("album"), "The Album");
    EXPECT_EQ(tags.at("date"), "1999");
    EXPECT_EQ(tags.at("genre"), "Blues");
}

TEST_F(RipWindowTest, OggFileLastsAsLongAsTheTrackAndCarriesTheDiscFields) {
    SKIP_WITHOUT_PROGRAM("oggdec");
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const Bytes tone = OneSecondTone(440);
    OpenDisc({tone});
    m_settings.CommonOptions.OutputFormat = ofOGG;
    m_disc.GenrePosition = -1;

    const RipRecord record = Rip({"01Tone"});

    EXPECT_TRUE(record.errors.empty());
    const CommandResult decoded =
        RunCommand("oggdec -Q -R -o - '" + Out("Tone.ogg").string() + "'");
    EXPECT_EQ(decoded.Status, 0);
    EXPECT_EQ(decoded.Output.size(), tone.size());
    const auto tags = ReadTags(Out("Tone.ogg"));
    EXPECT_EQ(tags.at("title"), "Tone");
    EXPECT_EQ(tags.at("comment"), "live");
    EXPECT_EQ(tags.at("artist"), "The Artist");
    EXPECT_EQ(tags.at("album"), "The Album");
    EXPECT_EQ(tags.at("date"), "1999");
    EXPECT_FALSE(tags.contains("genre")) << "no genre selected";
    EXPECT_FALSE(fs::exists(Out("Tone.wav")));
}

TEST_F(RipWindowTest, WmaFileLastsAsLongAsTheTrack) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    OpenDisc({OneSecondTone(440)});
    m_settings.CommonOptions.OutputFormat = ofWMA;

    const RipRecord record = Rip({"01Tone"});

    EXPECT_EQ(record.stages, (Stages{"rip Tone completed=0", "encode Tone", "close"}));
    EXPECT_TRUE(record.errors.empty());
    // One second, give or take one frame of the encoder (2048 samples).
    const Bytes decoded = DecodeWithFfmpeg(Out("Tone.wma"));
    EXPECT_NEAR(static_cast<double>(decoded.size()), 176400.0, 2048.0 * 4);
    EXPECT_FALSE(fs::exists(Out("Tone.wav")));
}

TEST_F(RipWindowTest, KeptWavFilesStayBesideTheEncodedOnesAndOnlyTheExtensionChanges) {
    const Bytes first = OneSecondTone(440);
    const Bytes second = OneSecondTone(880);
    OpenDisc({first, second});
    m_settings.CommonOptions.OutputFormat = ofMP3;
    m_settings.CommonOptions.IsKeepWav = true;

    const RipRecord record = Rip({"01Op.9", "02Second"});

    EXPECT_TRUE(record.errors.empty());
    EXPECT_EQ(ReadFileBytes(Out("Op.9.wav")), WavFileOf(first));
    EXPECT_EQ(ReadFileBytes(Out("Second.wav")), WavFileOf(second));
    EXPECT_TRUE(fs::is_regular_file(Out("Op.9.mp3")));
    EXPECT_TRUE(fs::is_regular_file(Out("Second.mp3")));
    EXPECT_FALSE(fs::exists(Out("Op.mp3")));
}

TEST_F(RipWindowTest, StopDuringTheRipRemovesThePartialWavEncodesNothingAndSaysSo) {
    const auto gate = GateReads(2);
    OpenDisc({OneSecondTone(440), OneSecondTone(550)});
    m_settings.CommonOptions.OutputFormat = ofMP3;

    bool stopped = false;
    const RipRecord record =
        Rip({"01First", "02Second"}, [&gate, &stopped](TfrmCDRip& window, int percent) {
            if (!stopped && percent > 0 && percent < 100) {
                // The thread is held inside its second read: it will see the
                // stop right after that read.
                stopped = true;
                window.RipThread()->SetStopRequested(true);
                gate->Release();
                window.bStopClick();
            }
        });

    EXPECT_TRUE(stopped);
    EXPECT_EQ(record.stages, (Stages{"close"}));
    EXPECT_EQ(record.errors,
              (std::vector<QString>{"The rip of track 01 \"First\" was stopped; its partial file " +
                                    QString::fromStdString(Out("First.wav").string()) +
                                    " was removed."}));
    EXPECT_TRUE(fs::is_empty(m_output));
}

TEST_F(RipWindowTest, ATableOfContentsErrorIsShownOnceAndTheWindowWaitsForStop) {
    OpenDisc({OneSecondTone(440)});
    m_settings.CommonOptions.OutputFormat = ofMP3;

    bool openAfterError = false;
    const RipRecord record = Rip({"05Missing"}, [&openAfterError](TfrmCDRip& window, int percent) {
        if (percent == -kRipErrorTableOfContents) {
            // Runs once the error and everything queued with it is handled.
            QTimer::singleShot(0, &window, [&openAfterError, &window] {
                openAfterError = window.isVisible();
                window.bStopClick();
            });
        }
    });

    EXPECT_TRUE(openAfterError);
    EXPECT_EQ(record.stages, (Stages{"error 2", "close"}));
    EXPECT_EQ(record.errors, (std::vector<QString>{"Error while reading TOC information!"}));
}

TEST_F(RipWindowTest, AMissingEncoderLibraryKeepsEveryWavAndNamesEachTrack) {
    const Bytes first = OneSecondTone(440);
    const Bytes second = OneSecondTone(550);
    OpenDisc({first, second});
    m_settings.CommonOptions.OutputFormat = ofMP3;
    const MissingLibrary missing("libmp3lame.so.0");

    const RipRecord record = Rip({"01One", "02Two"});

    EXPECT_EQ(record.stages, (Stages{"rip One completed=0", "encode One", "rip Two completed=1",
                                     "encode Two", "close"}));
    // One message at the end, not one per track.
    const QString reason = "libmp3lame.so.0 library could not be loaded.";
    EXPECT_EQ(record.errors,
              (std::vector<QString>{
                  "These tracks could not be encoded; their WAV files are kept:\nTrack 01 "
                  "\"One\": " +
                  reason + "\nTrack 02 \"Two\": " + reason}));
    EXPECT_EQ(ReadFileBytes(Out("One.wav")), WavFileOf(first));
    EXPECT_EQ(ReadFileBytes(Out("Two.wav")), WavFileOf(second));
    EXPECT_FALSE(fs::exists(Out("One.mp3")));
}

TEST_F(RipWindowTest, AnEncodingThatFailsKeepsItsWavWhileTheOthersGoOn) {
    const Bytes second = OneSecondTone(550);
    OpenDisc({OneSecondTone(440), second, OneSecondTone(660)});
    m_settings.CommonOptions.OutputFormat = ofFLAC;
    fs::create_directory(Out("Two.flac"));

    const RipRecord record = Rip({"01One", "02Two", "03Three"});

    ASSERT_EQ(record.errors.size(), 1U);
    EXPECT_TRUE(record.errors[0].startsWith(
        "These tracks could not be encoded; their WAV files are kept:\nTrack 02 \"Two\": Cannot "
        "create file"))
        << record.errors[0].toStdString();
    EXPECT_EQ(ReadFileBytes(Out("Two.wav")), WavFileOf(second));
    EXPECT_FALSE(fs::exists(Out("One.wav")));
    EXPECT_FALSE(fs::exists(Out("Three.wav")));
    EXPECT_TRUE(fs::is_regular_file(Out("One.flac")));
    EXPECT_TRUE(fs::is_regular_file(Out("Three.flac")));
    EXPECT_EQ(record.stages.back(), "close");
}

TEST_F(RipWindowTest, AKeptWavIsNotDeletedWhenALaterTrackIsNotEncoded) {
    const Bytes first = OneSecondTone(440);
    OpenDisc({first, OneSecondTone(550)});
    m_settings.CommonOptions.OutputFormat = ofMP3;
    fs::create_directory(Out("One.mp3"));
    fs::create_directory(Out("Blocked.wav"));

    const RipRecord record = Rip({"01One", "02Blocked"});

    EXPECT_EQ(record.stages, (Stages{"rip One completed=0", "encode One",
                                     "rip Blocked completed=1/5", "encode Blocked/4", "close"}));
    ASSERT_EQ(record.errors.size(), 2U);
    EXPECT_TRUE(record.errors[1].contains("Track 01 \"One\": Cannot create file"));
    EXPECT_EQ(ReadFileBytes(Out("One.wav")), WavFileOf(first));
}

TEST_F(RipWindowTest, AFailedNormalisationEndsTheTrackAndTheRipGoesOn) {
    const Bytes first = OneSecondTone(440);
    OpenDisc({first, OneSecondTone(550)});
    m_settings.CommonOptions.OutputFormat = ofFLAC;
    m_settings.CommonOptions.IsNormalize = true;
    m_settings.CommonOptions.NormalizePercent = 50;
    fs::create_directory(Out("One.nor"));

    const RipRecord record = Rip({"01One", "02Two"});

    EXPECT_EQ(record.stages, (Stages{"rip One completed=0/6", "encode One/4", "rip Two completed=1",
                                     "encode Two", "close"}));
    EXPECT_EQ(record.errors, (std::vector<QString>{QString::fromStdString(Out("One.wav").string()) +
                                                   " could not be normalized. It is kept as "
                                                   "ripped."}));
    EXPECT_EQ(ReadFileBytes(Out("One.wav")), WavFileOf(first));
    EXPECT_TRUE(fs::is_regular_file(Out("Two.flac")));
}

TEST_F(RipWindowTest, TheWindowIsCentredOnItsOwnerAtItsFixedSize) {
    QWidget owner;
    owner.setGeometry(100, 80, 600, 450);
    owner.show();
    TfrmCDRip window(&owner, 0, {}, m_settings, m_disc, [](const QString&) {});
    // Placed before it is shown, as the placement when shown is left to the
    // platform (which on X11 goes by an earlier size); and still so after.
    for (const bool shown : {false, true}) {
        if (shown) {
            window.show();
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(window.size(), QSize(kRipWindowWidth, kRipWindowHeight + kRipChecksHeight));
        const QPoint offset = window.frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 8) << offset.x() << "," << offset.y();
    }
    window.close();
}

// Titles name files inside the output folder only (FileStemOf); a name the
// file system refuses is reported and the rip goes on.
TEST_F(RipWindowTest, ANameTheFileSystemRefusesIsReportedAndTheRipGoesOn) {
    OpenDisc({OneSecondTone(440), OneSecondTone(550)});
    m_settings.CommonOptions.OutputFormat = ofMP3;
    fs::create_directory(Out("Blocked.wav"));

    const RipRecord record = Rip({"01Blocked", "02Fine"});

    EXPECT_EQ(record.errors,
              (std::vector<QString>{QString::fromStdString(m_output.string()) +
                                    "/Blocked.wav is not a valid file name. Please rename the "
                                    "Title in the CD tracks list."}));
    EXPECT_EQ(record.stages, (Stages{"rip Blocked completed=0/5", "encode Blocked/4",
                                     "rip Fine completed=1", "encode Fine", "tag Fine", "close"}));
    EXPECT_FALSE(fs::exists(Out("Blocked.mp3")));
    EXPECT_TRUE(fs::is_regular_file(Out("Fine.mp3")));
}

// Stopped part way, the encoding leaves no shortened file that would pass
// for the track; the ripped WAV file is the track's only copy and stays.
TEST_F(RipWindowTest, StopDuringAnEncodingRemovesItsPartialFileKeepsTheWavAndSaysSo) {
    const Bytes first = discimage::SineTone(440, 20 * discimage::kSampleRate, 0.5);
    OpenDisc({first, OneSecondTone(550)});
    m_settings.CommonOptions.OutputFormat = ofMP3;
    m_settings.Mp3Options.CPU = 1;  // rests between blocks: the encoding takes seconds

    bool ripped = false;
    bool stopped = false;
    const RipRecord record =
        Rip({"01One", "02Two"}, [&ripped, &stopped](TfrmCDRip& window, int percent) {
            ripped = ripped || percent == kPercentRipEnded;
            if (ripped && !stopped && percent > 0 && percent < 100) {
                stopped = true;  // at the encoding's first progress
                window.bStopClick();
            }
        });

    EXPECT_TRUE(stopped);
    EXPECT_EQ(record.stages, (Stages{"rip One completed=0", "close"}));
    EXPECT_EQ(record.errors,
              (std::vector<QString>{
                  "These tracks could not be encoded; their WAV files are kept:\nTrack 01 "
                  "\"One\": the encoding was stopped; its partial file " +
                  QString::fromStdString(Out("One.mp3").string()) + " was removed."}));
    EXPECT_EQ(ReadFileBytes(Out("One.wav")), WavFileOf(first));
    EXPECT_FALSE(fs::exists(Out("One.mp3")));
    EXPECT_FALSE(fs::exists(Out("Two.wav")));
}

// Tracks of one title each get files of their own, numbered in rip order,
// and a blank title names its files by the default title; the tags keep the
// titles as typed.
TEST_F(RipWindowTest, TracksOfOneTitleGetFilesOfTheirOwn) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    const struct {
        std::string item;
        std::string file;
        std::uint32_t seconds;
    } tracks[] = {{"01Same", "Same.mp3", 1},
                  {"02Same", "Same (2).mp3", 2},
                  {"03Same", "Same (3).mp3", 3},
                  {"04   ", "Track04.mp3", 4}};
    std::vector<Bytes> audio;
    std::vector<std::string> items;
    for (const auto& track : tracks) {
        audio.push_back(discimage::SineTone(440, track.seconds * discimage::kSampleRate, 0.5));
        items.push_back(track.item);
    }
    OpenDisc(audio);
    m_settings.CommonOptions.OutputFormat = ofMP3;

    const RipRecord record = Rip(items);

    EXPECT_TRUE(record.errors.empty());
    EXPECT_EQ(record.stages.back(), "close");
    for (const auto& track : tracks) {
        SCOPED_TRACE(track.file);
        const Bytes decoded = DecodeWithFfmpeg(Out(track.file));
        EXPECT_GE(decoded.size(), track.seconds * 176400U);
        EXPECT_LE(decoded.size(), track.seconds * 176400U + 4 * 1152 * 4);
        const Bytes mp3 = ReadFileBytes(Out(track.file));
        ASSERT_GT(mp3.size(), 128U);
        EXPECT_EQ(mp3[mp3.size() - 2], std::stoi(track.item.substr(0, 2))) << "ID3v1 track";
        if (track.item.substr(2) == "Same") {
            EXPECT_EQ(ReadTags(Out(track.file)).at("TIT2"), "Same");
        }
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_output), fs::directory_iterator()), 4)
        << "every WAV file is gone";
}

}  // namespace
