// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "cd/queued_rip_view.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Records what the rip threads write. Each track's thread is joined before
// the next starts, so the calls never overlap.
class AudioRecorder final : public RipAudioObserver {
public:
    void TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) override {
        m_track = trackNumber;
        events.push_back("start " + std::to_string(trackNumber) + " " +
                         std::to_string(sectorCount));
    }
    void AudioWritten(std::span<const std::uint8_t> bytes) override {
        offDrivingThread = offDrivingThread && std::this_thread::get_id() != m_drivingThread;
        audio[m_track].insert(audio[m_track].end(), bytes.begin(), bytes.end());
    }
    void TrackEnded(bool complete) override {
        events.push_back("end " + std::to_string(m_track) + (complete ? " complete" : ""));
    }

    std::vector<std::string> events;
    std::map<std::int32_t, Bytes> audio;
    bool offDrivingThread = true;

private:
    const std::thread::id m_drivingThread = std::this_thread::get_id();
    std::int32_t m_track = 0;
};

// A rip without a window, driven by the test's thread, to FLAC: the files
// decode to the disc's audio, the observer sees exactly the audio written
// to each WAV file, and a failure of the after-encode step is reported and
// keeps its track's WAV file while the other one is deleted.
TEST(RipJobTest, TwoTracksRipToFlacWithTheObserverAndTheAfterEncodeStep) {
    SKIP_WITHOUT_PROGRAM("flac");
    SyncQueue::Instance().BindGuiThread();
    TestFolder folder;
    const Bytes tone = discimage::SineTone(440, discimage::kSampleRate, 0.5);
    const Bytes pattern = discimage::BytePattern(std::size_t{40} * discimage::kSectorBytes, 7);
    ASSERT_TRUE(discimage::WriteDiscImage(folder / "disc.cue", {tone, pattern}).ok);
    const TCDHandle handle = OpenImageDrive(folder / "disc.cue");
    ASSERT_NE(handle, 0U);
    TOptionsSetting settings;
    settings.CommonOptions.OutputFolder = folder.Path().string();
    settings.CommonOptions.OutputFormat = ofFLAC;
    settings.FLACOptions.Compression = 5;

    QueuedRipView view;
    AudioRecorder recorder;
    std::vector<std::string> afterEncode;
    int pauses = 0;
    RipJobHooks hooks;
    hooks.EndOfTrackPause = [&pauses] { ++pauses; };
    hooks.AudioObserver = &recorder;
    hooks.AfterEncode = [&afterEncode](const TRipItem& item, const RipTrackFiles& files) {
        afterEncode.push_back(item.Title + (fs::is_regular_file(files.Wav) ? " wav" : "") +
                              (fs::is_regular_file(files.Encoded) ? " flac" : ""));
        return item.Number == 2 ? std::optional<std::string>("checksum mismatch") : std::nullopt;
    };
    {
        RipJob job(handle, {"01Tone", "02Pattern"}, settings, {}, view, hooks);
        job.Start();
        EXPECT_TRUE(PumpUntil([&] { return view.Deliver(job); }));
        job.Close();
    }
    CloseCDHandle(handle);

    EXPECT_EQ(recorder.events, (std::vector<std::string>{"start 1 75", "end 1 complete",
                                                         "start 2 40", "end 2 complete"}));
    EXPECT_EQ(recorder.audio[1], tone);
    EXPECT_EQ(recorder.audio[2], pattern);
    EXPECT_TRUE(recorder.offDrivingThread);
    EXPECT_EQ(afterEncode, (std::vector<std::string>{"Tone wav flac", "Pattern wav flac"}));
    EXPECT_EQ(pauses, 3) << "after each track and before the view closes";
    EXPECT_EQ(view.Errors(), (std::vector<std::string>{
                                 "These tracks could not be encoded; their WAV files are kept:\n"
                                 "Track 02 \"Pattern\": checksum mismatch"}));
    EXPECT_FALSE(fs::exists(folder / "Tone.wav"));
    const Bytes kept = ReadFileBytes(folder / "Pattern.wav");
    ASSERT_EQ(kept.size(), 44 + pattern.size());
    EXPECT_EQ(Bytes(kept.begin() + 44, kept.end()), recorder.audio[2]);
    for (const auto& [name, audio] : {std::pair{"Tone", tone}, std::pair{"Pattern", pattern}}) {
        const CommandResult decoded =
            RunCommand("flac -d -s -c --force-raw-format --endian=little --sign=signed " +
                       ShellQuote((folder / (std::string(name) + ".flac")).string()));
        EXPECT_EQ(decoded.Status, 0) << name;
        EXPECT_EQ(Bytes(decoded.Output.begin(), decoded.Output.end()), audio) << name;
    }
}

// The disc's JPEG cover is saved as cover.jpg beside the tracks, but never
// over a cover.jpg (or anything else) already there, and never as anything
// but a JPEG; none of it touches the rip.
TEST(RipJobTest, TheCoverIsSavedOnceBesideTheTracks) {
    SyncQueue::Instance().BindGuiThread();
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0xFF, 0xD9};
    const Bytes other = {0xFF, 0xD8, 0xFF, 0xDB, 0xFF, 0xD9};
    struct Case {
        const char* name;
        const char* coverType;
        const char* existing;  // what cover.jpg is before the rip: "", "file", "folder"
        std::vector<std::string> files;
        Bytes cover;  // cover.jpg afterwards, when a file
    };
    const Case cases[] = {
        {"new", "image/jpeg", "", {"Tone.wav", "cover.jpg", "disc.bin", "disc.cue"}, jpeg},
        {"kept", "image/jpeg", "file", {"Tone.wav", "cover.jpg", "disc.bin", "disc.cue"}, other},
        {"folder", "image/jpeg", "folder", {"Tone.wav", "cover.jpg", "disc.bin", "disc.cue"}, {}},
        {"png", "image/png", "", {"Tone.wav", "disc.bin", "disc.cue"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        const Bytes tone = discimage::SineTone(440, discimage::kSampleRate, 0.2);
        ASSERT_TRUE(discimage::WriteDiscImage(folder / "disc.cue", {tone}).ok);
        if (std::string_view(c.existing) == "file")
            WriteFileBytes(folder / "cover.jpg", other);
        if (std::string_view(c.existing) == "folder")
            fs::create_directory(folder / "cover.jpg");
        const TCDHandle handle = OpenImageDrive(folder / "disc.cue");
        ASSERT_NE(handle, 0U);
        TOptionsSetting settings;
        settings.CommonOptions.OutputFolder = folder.Path().string();
        settings.CommonOptions.OutputFormat = ofWAV;
        DiscInfo disc;
        disc.Cover = jpeg;
        disc.CoverType = c.coverType;
        QueuedRipView view;
        {
            RipJob job(handle, {"01Tone"}, settings, disc, view);
            job.Start();
            EXPECT_TRUE(PumpUntil([&] { return view.Deliver(job); }));
            job.Close();
        }
        CloseCDHandle(handle);

        EXPECT_TRUE(view.Errors().empty());
        std::vector<std::string> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.Path()))
            files.push_back(entry.path().filename().string());
        std::ranges::sort(files);
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(ReadFileBytes(folder / "Tone.wav").size(), 44 + tone.size());
        if (!c.cover.empty()) {
            EXPECT_EQ(ReadFileBytes(folder / "cover.jpg"), c.cover);
        }
    }
}

}  // namespace
