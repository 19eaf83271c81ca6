// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_thread.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "cd/access/libcdio_backend.h"
#include "cd/rip_protocol.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/cd/forwarding_device.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Collects the posted messages as short texts: "40" for progress, "1000/3"
// for an end with its status, "error 2" for WM_RIPERROR. Called on the rip
// thread; onPost lets a test act at a chosen message.
class RecordingTarget : public MessageTarget {
public:
    void Post(PostedMessage message) override {
        std::lock_guard lock(m_mutex);
        if (message.Number == WM_RIPERROR) {
            m_texts.push_back("error " + std::to_string(message.LParam));
        } else {
            const auto* info = dynamic_cast<const TProcessInfo*>(message.Payload.get());
            ASSERT_EQ(message.Number, WM_RIPPROGRESS);
            ASSERT_NE(info, nullptr);
            std::string text = std::to_string(info->Percent);
            if (info->Percent == kPercentRipEnded) {
                text += "/" + std::to_string(info->Status);
            }
            m_texts.push_back(text);
        }
        if (onPost) {
            onPost(m_texts.back());
        }
    }

    std::vector<std::string> Texts() {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

    std::function<void(const std::string&)> onPost;

private:
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

std::uint32_t U32At(const Bytes& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        value |= std::uint32_t{bytes[offset + i]} << (8 * i);
    }
    return value;
}

Bytes WithHeader(std::uint32_t declaredBytes, const Bytes& audio) {
    const char* text =
        "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data";
    Bytes bytes(text, text + 40);
    const auto put = [&bytes](std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[offset + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    bytes.resize(44);
    put(4, declaredBytes + 36);
    put(40, declaredBytes);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    return bytes;
}

Bytes Sectors(const Bytes& pcm, std::size_t first, std::size_t count) {
    const auto begin = pcm.begin() + static_cast<std::ptrdiff_t>(first * kCDSectorBytes);
    return Bytes(begin, begin + static_cast<std::ptrdiff_t>(count * kCDSectorBytes));
}

Bytes Samples(const std::vector<std::int16_t>& samples) {
    Bytes bytes;
    for (const std::int16_t sample : samples) {
        bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8));
    }
    return bytes;
}

class RipThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_options.OutputFolder = (m_folder / "out").string();
        fs::create_directory(m_options.OutputFolder);
    }

    void TearDown() override {
        if (m_handle != 0) {
            CloseCDHandle(m_handle);
        }
        ::unsetenv("BRISKLARK_DISC_IMAGES");
    }

    // Writes the image and opens it as a drive.
    void OpenDisc(const std::vector<Bytes>& tracks) {
        const auto written = discimage::WriteDiscImage(m_cue, tracks);
        ASSERT_TRUE(written.ok) << written.message;
        OpenCue();
    }

    void OpenCue() {
        m_handle = OpenImageDrive(m_cue);
        ASSERT_NE(m_handle, 0u) << "error " << GetAspiLibError();
    }

    // Runs a rip thread for one track to its end and returns its messages.
    // partialRemoved receives whether the thread removed a file it cut short.
    std::vector<std::string> Rip(std::int32_t track, const std::string& title,
                                 bool* partialRemoved = nullptr) {
        RecordingTarget target;
        target.onPost = m_onPost;
        {
            TCDRipThread thread(track, title, m_options);
            m_thread = &thread;
            thread.SetCDHandle(m_handle);
            thread.SetNotifyWindow(&target);
            thread.Resume();
            thread.WaitFor();
            if (partialRemoved != nullptr) {
                *partialRemoved = thread.PartialFileRemoved();
            }
        }
        m_thread = nullptr;
        return target.Texts();
    }

    fs::path Wav(const std::string& title) const {
        return fs::path(m_options.OutputFolder) / (title + ".wav");
    }

    TestFolder m_folder;
    fs::path m_cue = m_folder / "disc.cue";
    TCommonOptions m_options;
    TCDHandle m_handle = 0;
    TCDRipThread* m_thread = nullptr;
    std::function<void(const std::string&)> m_onPost;
};

using Texts = std::vector<std::string>;

TEST_F(RipThreadTest, EachTrackBecomesAWavFileOfExactlyItsSectors) {
    const Bytes first = discimage::BytePattern(25 * kCDSectorBytes, 1);
    const Bytes second = discimage::BytePattern(kCDSectorBytes, 2);
    const Bytes third = discimage::BytePattern(30 * kCDSectorBytes - 500, 3);
    OpenDisc({first, second, third});

    EXPECT_EQ(Rip(1, "One"), (Texts{"40", "80", "100", "1000/0"}));
    EXPECT_EQ(Rip(2, "Two"), (Texts{"100", "1000/0"}));
    EXPECT_EQ(Rip(3, "Three"), (Texts{"33", "66", "100", "1000/0"}));

    EXPECT_EQ(ReadFileBytes(Wav("One")), WithHeader(25 * kCDSectorBytes, first));
    const Bytes two = ReadFileBytes(Wav("Two"));
    EXPECT_EQ(two.size(), 2396u);
    EXPECT_EQ(U32At(two, 40), 2352u);
    EXPECT_EQ(U32At(two, 4), 2388u);
    EXPECT_EQ(two, WithHeader(kCDSectorBytes, second));
    const Bytes paddedThird = discimage::PadToSectors(third);
    EXPECT_EQ(ReadFileBytes(Wav("Three")), WithHeader(30 * kCDSectorBytes, paddedThird));

    // An independent reader takes the header to mean 44.1 kHz 16-bit stereo.
    SKIP_WITHOUT_PROGRAM("sox");
    const fs::path raw = m_folder / "three.raw";
    const std::string command = "sox " + Wav("Three").string() +
                                " -r 44100 -c 2 -b 16 -e signed-integer -t raw " + raw.string();
    ASSERT_TRUE(RunCommand(command).Ok());
    EXPECT_EQ(ReadFileBytes(raw), paddedThird);
}

TEST_F(RipThreadTest, TrackOfAnExistingFileIsReplaced) {
    const Bytes pcm = discimage::BytePattern(3 * kCDSectorBytes, 4);
    OpenDisc({pcm});
    WriteFileBytes(Wav("Old"), Bytes(100000, 0x55));
    EXPECT_EQ(Rip(1, "Old"), (Texts{"100", "1000/0"}));
    EXPECT_EQ(ReadFileBytes(Wav("Old")), WithHeader(3 * kCDSectorBytes, pcm));
}

// A track cut short by a stop leaves no WAV file that would pass for the
// whole track; a stop after the last read keeps the complete file.
TEST_F(RipThreadTest, StopBetweenReadsRemovesThePartialWav) {
    const Bytes pcm = discimage::BytePattern(25 * kCDSectorBytes, 5);
    OpenDisc({pcm});
    m_options.IsNormalize = true;
    m_options.NormalizePercent = 50;
    const struct {
        std::string stopAt;
        Texts posted;
        bool kept;
    } cases[] = {{"40", {"40"}, false}, {"100", {"40", "80", "100"}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stopAt);
        m_onPost = [this, &c](const std::string& text) {
            if (text == c.stopAt) {
                m_thread->SetStopRequested(true);
            }
        };
        bool removed = false;
        EXPECT_EQ(Rip(1, "Stopped", &removed), c.posted);
        EXPECT_EQ(removed, !c.kept);
        EXPECT_EQ(fs::exists(Wav("Stopped")), c.kept);
        EXPECT_FALSE(fs::exists(fs::path(m_options.OutputFolder) / "Stopped.nor"));
    }
    EXPECT_EQ(ReadFileBytes(Wav("Stopped")), WithHeader(25 * kCDSectorBytes, pcm));
}

// A real image device that calls onSector when a read touches sector.
class WatchedSectorDevice : public ForwardingDevice {
public:
    WatchedSectorDevice(std::unique_ptr<CDDevice> real, std::uint32_t sector,
                        std::function<void()> onSector)
        : ForwardingDevice(std::move(real)), m_sector(sector), m_onSector(std::move(onSector)) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        if (start <= m_sector && m_sector < start + count) {
            m_onSector();
        }
        return ForwardingDevice::ReadAudio(start, count, dest);
    }

private:
    std::uint32_t m_sector;
    std::function<void()> m_onSector;
};

// Careful reading reads ahead; a stop arriving during a read ends that read
// and the track, which is cut short.
TEST_F(RipThreadTest, StopDuringACarefulReadEndsItAndRemovesThePartialWav) {
    const auto previous = SetCDBackend(std::make_shared<WrappingBackend>(
        MakeLibcdioBackend(), [this](std::unique_ptr<CDDevice> device) {
            return std::make_unique<WatchedSectorDevice>(std::move(device), 15, [this] {
                if (m_thread != nullptr) {
                    m_thread->SetStopRequested(true);
                }
            });
        }));
    OpenDisc({discimage::BytePattern(25 * kCDSectorBytes, 5)});
    ASSERT_EQ(SetCDReadMode(m_handle, {true, 20, 0}), 1);
    bool removed = false;
    EXPECT_EQ(Rip(1, "Stopped", &removed), Texts{});
    EXPECT_TRUE(removed);
    SetCDBackend(previous);
}

TEST_F(RipThreadTest, ReadFailureEndsWithStatus3AndKeepsThePartialFile) {
    const Bytes pcm = discimage::BytePattern(25 * kCDSectorBytes, 6);
    OpenDisc({pcm});
    // The data file loses its end after the disc was opened.
    fs::resize_file(fs::path(m_cue).replace_extension(".bin"), 20 * kCDSectorBytes + 100);

    EXPECT_EQ(Rip(1, "Broken"), (Texts{"40", "80", "100", "1000/3"}));
    EXPECT_EQ(ReadFileBytes(Wav("Broken")), WithHeader(0, Sectors(pcm, 0, 20)));
}

TEST_F(RipThreadTest, DriveAndTableOfContentsFailuresPostOnlyAnErrorAndWriteNothing) {
    OpenDisc({discimage::BytePattern(2 * kCDSectorBytes, 7)});
    EXPECT_EQ(Rip(0, "Zero"), (Texts{"error 2"}));
    EXPECT_EQ(Rip(2, "Beyond"), (Texts{"error 2"}));

    fs::remove(fs::path(m_cue).replace_extension(".bin"));
    EXPECT_EQ(Rip(1, "Gone"), (Texts{"error 2"}));

    CloseCDHandle(m_handle);
    EXPECT_EQ(Rip(1, "Closed"), (Texts{"error 1"}));
    m_handle = 0;
    EXPECT_TRUE(fs::is_empty(m_options.OutputFolder));
}

TEST_F(RipThreadTest, TitlesThatMakeNoFileInTheOutputFolderEndWithStatus5) {
    OpenDisc({discimage::BytePattern(kCDSectorBytes, 8)});
    fs::create_directory(m_folder / "out" / "Folder.wav");
    const std::vector<std::string> titles = {
        "../Escape", "sub/Name", ".", "..", std::string("Nul\0x", 5), "Folder"};
    for (const std::string& title : titles) {
        EXPECT_EQ(Rip(1, title), (Texts{"1000/5"})) << title;
    }
    m_options.OutputFolder = (m_folder / "missing").string();
    EXPECT_EQ(Rip(1, "Track"), (Texts{"1000/5"}));

    EXPECT_FALSE(fs::exists(m_folder / "Escape.wav"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder / "out"), fs::directory_iterator()), 1);
}

TEST_F(RipThreadTest, NormalisationScalesTheRippedFile) {
    std::vector<std::int16_t> samples(kCDSectorBytes / 2, 30000);
    samples[0] = 1001, samples[1] = -3, samples[2] = -32768, samples[3] = -30000;
    const Bytes pcm = Samples(samples);
    OpenDisc({pcm});
    m_options.IsNormalize = true;

    m_options.NormalizePercent = 100;
    EXPECT_EQ(Rip(1, "Full"), (Texts{"100", "999", "1", "87", "100", "1000/0"}));
    EXPECT_EQ(ReadFileBytes(Wav("Full")), WithHeader(kCDSectorBytes, pcm));

    m_options.NormalizePercent = 50;
    std::vector<std::int16_t> half(samples.size(), 15000);
    half[0] = 500, half[1] = -2, half[2] = -16384, half[3] = -15000;
    EXPECT_EQ(Rip(1, "Half").back(), "1000/0");
    EXPECT_EQ(ReadFileBytes(Wav("Half")), WithHeader(kCDSectorBytes, Samples(half)));

    m_options.NormalizePercent = 150;
    std::vector<std::int16_t> loud(samples.size(), 32767);
    loud[0] = 1502, loud[1] = -4, loud[2] = -32768, loud[3] = -32768;
    EXPECT_EQ(Rip(1, "Loud").back(), "1000/0");
    EXPECT_EQ(ReadFileBytes(Wav("Loud")), WithHeader(kCDSectorBytes, Samples(loud)));

    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder / "out"), fs::directory_iterator()), 3);
}

TEST_F(RipThreadTest, NormalisationOrMemoryFailuresStillEndTheRipWithTheirStatus) {
    const Bytes pcm = discimage::BytePattern(kCDSectorBytes, 12);
    OpenDisc({pcm});
    m_options.IsNormalize = true;
    m_options.NormalizePercent = 50;
    // A folder where the ".nor" file goes: normalising cannot start.
    fs::create_directory(fs::path(m_options.OutputFolder) / "Kept.nor");
    EXPECT_EQ(Rip(1, "Kept"), (Texts{"100", "999", "1000/6"}));
    EXPECT_EQ(ReadFileBytes(Wav("Kept")), WithHeader(kCDSectorBytes, pcm));

    // The first progress message runs out of memory.
    m_onPost = [](const std::string& text) {
        if (text == "100") {
            throw std::bad_alloc();
        }
    };
    EXPECT_EQ(Rip(1, "Short"), (Texts{"100", "1000/7"}));
}

TEST_F(RipThreadTest, TracksAreFoundByTheirOwnAddressWhenTheFirstStartsLate) {
    // Five hidden sectors before track 1, which then starts at 00:02:05.
    const Bytes hidden = discimage::BytePattern(5 * kCDSectorBytes, 9);
    const Bytes first = discimage::BytePattern(3 * kCDSectorBytes, 10);
    const Bytes second = discimage::BytePattern(4 * kCDSectorBytes, 11);
    Bytes bin = hidden;
    bin.insert(bin.end(), first.begin(), first.end());
    bin.insert(bin.end(), second.begin(), second.end());
    WriteFileBytes(fs::path(m_cue).replace_extension(".bin"), bin);
    const std::string cue =
        "FILE \"disc.bin\" BINARY\n"
        "  TRACK 01 AUDIO\n    INDEX 01 00:00:05\n"
        "  TRACK 02 AUDIO\n    INDEX 01 00:00:08\n";
    WriteFileBytes(m_cue, Bytes(cue.begin(), cue.end()));
    OpenCue();

    EXPECT_EQ(Rip(1, "First").back(), "1000/0");
    EXPECT_EQ(Rip(2, "Second").back(), "1000/0");
    EXPECT_EQ(ReadFileBytes(Wav("First")), WithHeader(3 * kCDSectorBytes, first));
    EXPECT_EQ(ReadFileBytes(Wav("Second")), WithHeader(4 * kCDSectorBytes, second));
}

// Titles that name no file rip under their file names, bit for bit.
TEST_F(RipThreadTest, TracksRipUnderTheFileNamesOfTheirTitles) {
    const Bytes first = discimage::BytePattern(3 * kCDSectorBytes, 9);
    const Bytes second = discimage::BytePattern(2 * kCDSectorBytes, 10);
    OpenDisc({first, second});
    const std::vector<TRipItem> items = ParseRipItems({"01AC/DC", "02."});
    for (const TRipItem& item : items) {
        EXPECT_EQ(Rip(item.Number, item.FileStem).back(), "1000/0") << item.Title;
    }
    EXPECT_EQ(items[0].Title, "AC/DC");
    EXPECT_EQ(ReadFileBytes(Wav("AC-DC")), WithHeader(3 * kCDSectorBytes, first));
    EXPECT_EQ(ReadFileBytes(Wav("Track02")), WithHeader(2 * kCDSectorBytes, second));
}

}  // namespace
