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
#include "support/cd/late_drive.h"
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

// The sums of `samples` samples of the disc from `start` on, silence outside it.
TArSums DiscSums(const Bytes& disc, std::int64_t start, std::uint64_t samples, bool first,
                 bool last) {
    Bytes bytes(samples * 4, 0);
    for (std::uint64_t k = 0; k < samples; ++k) {
        const std::int64_t at = (start + static_cast<std::int64_t>(k)) * 4;
        if (at >= 0 && static_cast<std::size_t>(at) < disc.size()) {
            std::copy_n(disc.begin() + at, 4, bytes.begin() + static_cast<std::ptrdiff_t>(k * 4));
        }
    }
    TArChecksummer sums(samples, first, last);
    sums.Update(bytes);
    return sums.Finish().value();
}

// Each track's record of a rip of a three-track disc of noise: its sums and
// its sums at other read shifts are those of the disc's own bytes at the
// drive's stored read offset, careful or plain; the drive reads as the
// settings say during the rip and as before it afterwards; a file that does
// not decode back to its WAV file is reported and keeps it.
TEST(RipJobTest, EachTrackIsVerifiedAsItIsRipped) {
    SKIP_WITHOUT_PROGRAM("flac");
    SyncQueue::Instance().BindGuiThread();
    struct Case {
        const char* name;
        bool careful;
        std::int32_t offset;  // stored for the drive; images ignore it
        bool namedDrive;      // the image answers as a real drive
        TOutputFormat format;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"plain wav", false, 0, false, ofWAV, {}},
        {"careful flac, damaged",
         true,
         667,
         false,
         ofFLAC,
         {"These tracks could not be encoded; their WAV files are kept:\n"
          "Track 02 \"Two\": the decode check FAILED ("}},
        {"offset +48", false, 48, true, ofWAV, {}},
        {"careful, offset -1164", true, -1164, true, ofWAV, {}},
    };
    const std::vector<std::uint32_t> sectors = {20, 15, 20};
    std::vector<Bytes> tracks;
    Bytes disc;
    for (std::uint32_t k = 0; k < sectors.size(); ++k) {
        tracks.push_back(
            discimage::BytePattern(std::size_t{sectors[k]} * discimage::kSectorBytes, 11 + k));
        disc.insert(disc.end(), tracks.back().begin(), tracks.back().end());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        ASSERT_TRUE(discimage::WriteDiscImage(folder / "disc.cue", tracks).ok);
        LateDriveScript drive;
        const std::shared_ptr<CDBackend> previousBackend =
            c.namedDrive ? SetCDBackend(std::make_shared<LateDriveBackend>(drive)) : nullptr;
        const TCDHandle handle = OpenImageDrive(folder / "disc.cue");
        ASSERT_NE(handle, 0U);
        TOptionsSetting settings;
        settings.CommonOptions.OutputFolder = folder.Path().string();
        settings.CommonOptions.OutputFormat = c.format;
        settings.FLACOptions.Compression = 5;
        settings.Verify.SecureRead = c.careful;
        settings.Verify.ReadRetries = 10;
        settings.Verify.AccurateRip = true;
        settings.Verify.DecodeCheck = true;
        ASSERT_TRUE(settings.DriveOffsets.SetReadOffset("Brisk", "Test Drive", c.offset));
        ASSERT_TRUE(settings.DriveOffsets.SetReadOffset("Image", "disc.cue", c.offset));
        RipJobHooks hooks;
        hooks.AfterEncode = [](const TRipItem& item, const RipTrackFiles& files) {
            if (item.Number == 2) {
                fs::resize_file(fs::u8path(files.Encoded), fs::file_size(files.Encoded) / 2);
            }
            return std::optional<std::string>();
        };
        QueuedRipView view;
        std::vector<TRipTrackReport> reports;
        TCDReadMode modeDuringRip;
        {
            RipJob job(handle, {"01One", "02Two", "03Three"}, settings, {}, view, hooks);
            job.Start();
            EXPECT_TRUE(PumpUntil([&] { return view.Deliver(job); }));
            job.Close();
            reports = job.TrackReports();
            modeDuringRip = job.ReadMode();
        }
        TCDReadMode modeAfterRip;
        ASSERT_EQ(GetCDReadMode(handle, &modeAfterRip), 1);
        CloseCDHandle(handle);
        if (c.namedDrive) {
            SetCDBackend(previousBackend);  // null: the libcdio backend, made afresh
        }

        const std::int32_t offset = c.namedDrive ? c.offset : 0;
        EXPECT_EQ(modeDuringRip, (TCDReadMode{c.careful, c.careful ? 10 : 20, offset}));
        EXPECT_EQ(modeAfterRip, TCDReadMode{});
        ASSERT_EQ(view.Errors().size(), c.errors.size());
        for (std::size_t k = 0; k < c.errors.size(); ++k) {
            EXPECT_TRUE(view.Errors()[k].starts_with(c.errors[k])) << view.Errors()[k];
        }
        ASSERT_EQ(reports.size(), 3U);
        std::int64_t start = 0;
        for (std::size_t k = 0; k < reports.size(); ++k) {
            SCOPED_TRACE(k + 1);
            const TRipTrackReport& report = reports[k];
            const std::uint64_t samples = std::uint64_t{sectors[k]} * 588;
            const bool first = k == 0;
            const bool last = k == reports.size() - 1;
            EXPECT_EQ(report.Number, static_cast<std::int32_t>(k + 1));
            EXPECT_TRUE(report.ReadQuality.Clean());
            ASSERT_TRUE(report.Sums.has_value());
            const TArSums expected = DiscSums(disc, start + offset, samples, first, last);
            EXPECT_EQ(report.Sums->v1, expected.v1);
            EXPECT_EQ(report.Sums->v2, expected.v2);
            EXPECT_EQ(report.Sums->crc32, expected.crc32);
            ASSERT_TRUE(report.ShiftedSums.has_value());
            for (const int shift : {-kArMaxShift, -offset, -1, 1, kArMaxShift}) {
                EXPECT_EQ(report.ShiftedSums->At(shift),
                          DiscSums(disc, start + offset + shift, samples, first, last).v1)
                    << shift;
            }
            ASSERT_TRUE(report.DecodeCheck.has_value());
            const bool damaged = c.format == ofFLAC && k == 1;
            EXPECT_EQ(report.DecodeCheck->Passed, !damaged) << report.DecodeCheck->LogText;
            const std::string stem = (folder / (k == 0   ? "One"
                                                : k == 1 ? "Two"
                                                         : "Three"))
                                         .string();
            EXPECT_EQ(fs::exists(stem + ".wav"), c.format == ofWAV || damaged);
            EXPECT_EQ(report.File, stem + (c.format == ofWAV ? ".wav" : ".flac"));
            start += static_cast<std::int64_t>(samples);
        }
    }
}

}  // namespace
