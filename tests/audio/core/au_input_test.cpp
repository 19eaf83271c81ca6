// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"
#include "audio/core/au_input.h"
#include "test_support.h"

namespace {

constexpr int kFrameBytes = 4;  // 16-bit stereo

// A headerless 16-bit stereo 44100 Hz PCM file: the smallest real file input.
class RawPcmFileIn : public TAuFileIn {
public:
    ~RawPcmFileIn() override {
        NotifyDestruction();
        CloseFile();
    }

protected:
    void OpenFile() override {
        std::lock_guard lock(m_openLock);
        if (m_opened != 0) {
            return;
        }
        OpenOwnStream(TAuFileStream::kReadShareRead);
        m_stream->SetPosition(0);
        m_size = m_stream->Size();
        m_bitsPerSample = 16;
        m_channels = 2;
        m_sampleRate = 44100;
        m_valid = true;
        ++m_opened;
    }
    void CloseFile() override {
        std::lock_guard lock(m_openLock);
        if (m_opened == 0) {
            return;
        }
        if (m_streamAssigned) {
            m_stream->SetPosition(0);
        }
        CloseOwnStream();
        m_opened = 0;
    }
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override {
        if (!m_busy) {
            throw EAuException("The Stream is not opened");
        }
        bytes = m_stream->Read(m_buffer.data(), std::min(bytes, m_buffer.size()));
        buffer = m_buffer.data();
    }
    bool SeekInternal(std::int64_t& frame) override {
        m_stream->SetPosition(frame * kFrameBytes);
        return true;
    }

private:
    std::array<std::uint8_t, 16384> m_buffer{};
};

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
}

std::vector<std::uint8_t> ReadPass(TAuInput& input, std::size_t limit = SIZE_MAX) {
    std::vector<std::uint8_t> out;
    input.Init();
    std::vector<std::uint8_t> block(10000);  // not a multiple of the read size
    bool end = false;
    while (!end && out.size() < limit) {
        const std::size_t got = FillBuffer(input, block.data(), block.size(), end);
        out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
    }
    input.Flush();
    out.resize(std::min(out.size(), limit));
    return out;
}

std::vector<std::uint8_t> Frames(const std::vector<std::uint8_t>& data, std::size_t first,
                                 std::size_t count) {
    return {data.begin() + static_cast<std::ptrdiff_t>(first * kFrameBytes),
            data.begin() + static_cast<std::ptrdiff_t>((first + count) * kFrameBytes)};
}

TEST(AuFileInTest, WholeFilePassAndFormatQueries) {
    TestFolder dir;
    const auto data = Pattern(176400 * 3 / 2);  // 1.5 s
    WriteFile(dir.File("a.raw"), data);
    RawPcmFileIn input;
    EXPECT_FALSE(input.Valid()) << "no name, no stream";
    input.SetFileName(dir.File("a.raw"));
    EXPECT_TRUE(input.Valid());
    EXPECT_EQ(input.TotalSamples(), static_cast<std::int64_t>(data.size() / kFrameBytes));
    EXPECT_EQ(input.TotalTime(), 2) << "1.5 s rounds half to even";
    EXPECT_EQ(ReadPass(input), data);
    EXPECT_FALSE(input.Busy());

    const auto longer = Pattern(176400 * 5 / 2);  // 2.5 s
    WriteFile(dir.File("b.raw"), longer);
    input.SetFileName(dir.File("b.raw"));
    EXPECT_EQ(input.TotalTime(), 2);
}

TEST(AuFileInTest, SampleWindowCoversExactlyItsFrames) {
    TestFolder dir;
    const auto data = Pattern(4000 * kFrameBytes);
    WriteFile(dir.File("a.raw"), data);
    RawPcmFileIn input;
    input.SetFileName(dir.File("a.raw"));

    input.SetStartSample(1000);
    input.SetEndSample(1999);
    EXPECT_EQ(ReadPass(input), Frames(data, 1000, 1000));
    EXPECT_EQ(input.StartSample(), 0) << "Flush restores the whole file";
    EXPECT_EQ(input.EndSample(), -1);

    input.SetStartSample(3990);
    input.SetEndSample(100000);  // beyond the file: to its end
    EXPECT_EQ(ReadPass(input), Frames(data, 3990, 10));

    input.SetStartSample(10);
    input.SetEndSample(5);
    EXPECT_TRUE(ReadPass(input).empty());
}

TEST(AuFileInTest, LoopRepeatsTheFileWithoutLosingABlock) {
    TestFolder dir;
    const auto data = Pattern(30000);  // two full reads and a partial one
    WriteFile(dir.File("a.raw"), data);
    RawPcmFileIn input;
    input.SetFileName(dir.File("a.raw"));
    input.SetLoop(true);
    const auto out = ReadPass(input, data.size() * 3);
    ASSERT_EQ(out.size(), data.size() * 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(std::equal(data.begin(), data.end(),
                               out.begin() + i * static_cast<std::ptrdiff_t>(data.size())))
            << "repetition " << i;
    }
}

TEST(AuFileInTest, SeekDuringAndBeforeAPass) {
    TestFolder dir;
    const auto data = Pattern(2000 * kFrameBytes);
    WriteFile(dir.File("a.raw"), data);
    RawPcmFileIn input;
    input.SetFileName(dir.File("a.raw"));

    EXPECT_FALSE(input.Seek(2001)) << "beyond the end";
    EXPECT_TRUE(input.Seek(1500));  // idle: the next pass starts there
    EXPECT_EQ(ReadPass(input), Frames(data, 1500, 500));

    input.Init();
    std::vector<std::uint8_t> block(64);
    ASSERT_EQ(CopyData(input, block.data(), block.size()), 64u);
    ASSERT_TRUE(input.Seek(500));
    EXPECT_EQ(input.Position(), 500 * kFrameBytes);
    ASSERT_EQ(CopyData(input, block.data(), block.size()), 64u);
    EXPECT_EQ(block, Frames(data, 500, 16));
    input.Flush();
}

TEST(AuFileInTest, CallerSuppliedStreamIsReadAndKept) {
    const auto data = Pattern(5000 * kFrameBytes);
    AuMemoryStream stream(data);
    RawPcmFileIn input;
    input.SetStream(&stream);
    EXPECT_TRUE(input.StreamAssigned());
    EXPECT_TRUE(input.Valid());
    EXPECT_EQ(ReadPass(input), data);
    EXPECT_EQ(ReadPass(input), data) << "a second pass reads it again";
}

TEST(AuFileInTest, FailedPassStartIsAnEmptyPass) {
    RawPcmFileIn unnamed;
    unnamed.Init();
    EXPECT_TRUE(unnamed.EndOfStream());

    TestFolder dir;
    RawPcmFileIn missing;
    missing.SetFileName(dir.File("missing.raw"));
    missing.Init();
    EXPECT_TRUE(missing.EndOfStream());
    const std::uint8_t* buffer = nullptr;
    std::size_t bytes = 100;
    missing.GetData(buffer, bytes);
    EXPECT_EQ(bytes, 0u);
    missing.Flush();
    try {
        (void)missing.SampleRate();
        FAIL() << "a format query of a missing file succeeded";
    } catch (const EAuException& error) {
        EXPECT_EQ(error.what(), "Cannot open file " + dir.File("missing.raw"));
    }
}

TEST(AuFileInTest, OutputOfAMissingFileReportsCannotOpen) {
    TestFolder dir;
    RawPcmFileIn input;
    input.SetFileName(dir.File("missing.raw"));
    CountingOutput out;
    out.PrepareHook = [&out] { (void)out.Input()->SampleRate(); };
    std::vector<std::string> events;
    out.OnThreadException = [&](TComponent*) { events.push_back("exception"); };
    out.OnDone = [&](TComponent*) { events.push_back("done"); };
    out.SetInput(&input);
    out.Run();
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"exception", "done"}));
    EXPECT_EQ(out.ExceptionMessage(), "Cannot open file " + dir.File("missing.raw"));
}

TEST(AuInputHelpersTest, CopyDataAndFillBuffer) {
    MemoryInput input(Pattern(10000), 3000);
    input.Init();
    std::vector<std::uint8_t> buffer(8000);
    bool end = false;
    EXPECT_EQ(FillBuffer(input, buffer.data(), 0, end), 0u);
    EXPECT_TRUE(end) << "a count of 0 reports end of data";

    EXPECT_EQ(FillBuffer(input, buffer.data(), 8000, end), 8000u);
    EXPECT_FALSE(end);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.end()),
              Frames(Pattern(10000), 0, 2000));
    EXPECT_EQ(FillBuffer(input, buffer.data(), 8000, end), 2000u);
    EXPECT_TRUE(end);
    EXPECT_EQ(CopyData(input, buffer.data(), 100), 0u);
    input.Flush();
}

// A converter that passes its input through unchanged.
class PassThrough : public TAuConverter {
public:
    int BitsPerSample() override { return Input()->BitsPerSample(); }
    int Channels() override { return Input()->Channels(); }
    int SampleRate() override { return Input()->SampleRate(); }

protected:
    void InitInternal() override {
        m_busy = true;
        m_position = 0;
        Input()->Init();
        m_size = Input()->Size();
    }
    void FlushInternal() override {
        Input()->Flush();
        m_busy = false;
    }
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override {
        Input()->GetData(buffer, bytes);
    }
};

TEST(AuConverterTest, InputLinksIgnoreSelfAndFollowDestruction) {
    PassThrough converter;
    converter.SetInput(&converter);
    EXPECT_EQ(converter.Input(), nullptr);

    auto source = std::make_unique<MemoryInput>(Pattern(1000));
    converter.SetInput(source.get());
    converter.Init();
    std::vector<std::uint8_t> buffer(1000);
    bool end = false;
    EXPECT_EQ(FillBuffer(converter, buffer.data(), buffer.size(), end), 1000u);
    EXPECT_EQ(converter.Position(), 1000);
    converter.Flush();

    source.reset();
    EXPECT_EQ(converter.Input(), nullptr);
}

TEST(AuFileStreamTest, OpenAndCreateFailuresNameTheFile) {
    TestFolder dir;
    const std::string missingDir = dir.File("no/such/dir/a.wav");
    try {
        TAuFileStream stream(missingDir, TAuFileStream::kCreate);
        FAIL();
    } catch (const EAuException& error) {
        EXPECT_EQ(error.what(), "Cannot create file " + missingDir);
    }
    try {
        TAuFileStream stream(dir.File("missing.wav"), TAuFileStream::kReadShareRead);
        FAIL();
    } catch (const EAuException& error) {
        EXPECT_EQ(error.what(), "Cannot open file " + dir.File("missing.wav"));
    }
}

TEST(AuFileStreamTest, SharingModesGuardAFileInUse) {
    TestFolder dir;
    const std::string path = dir.File("a.wav");
    {
        TAuFileStream created(path, TAuFileStream::kCreate);
        const auto data = Pattern(1000);
        created.Write(data.data(), data.size());
        EXPECT_EQ(created.Size(), 1000);
    }
    {
        TAuFileStream reader1(path, TAuFileStream::kReadShareRead);
        TAuFileStream reader2(path, TAuFileStream::kReadShareRead);
        EXPECT_THROW(TAuFileStream(path, TAuFileStream::kReadWriteExclusive), EAuException)
            << "no-sharing open of a file in use";
        std::vector<std::uint8_t> head(10);
        reader2.ReadBuffer(head.data(), head.size());
        EXPECT_EQ(head, Pattern(10));
    }
    {
        TAuFileStream exclusive(path, TAuFileStream::kReadWriteExclusive);
        EXPECT_THROW(TAuFileStream(path, TAuFileStream::kReadShareRead), EAuException);
        EXPECT_THROW(TAuFileStream(path, TAuFileStream::kCreate), EAuException);
        EXPECT_EQ(exclusive.Size(), 1000) << "a refused create must not truncate";
        exclusive.Seek(0, SeekOrigin::End);
        const std::uint8_t extra[2] = {1, 2};
        exclusive.Write(extra, 2);
        EXPECT_EQ(exclusive.Size(), 1002);
        exclusive.SetSize(500);
        EXPECT_EQ(exclusive.Size(), 500);
    }
    TAuFileStream replaced(path, TAuFileStream::kCreate);
    EXPECT_EQ(replaced.Size(), 0);
}

TEST(AuComponentTest, NotificationLinksDropWithEitherSide) {
    CountingOutput first;
    auto second = std::make_unique<CountingOutput>();
    MemoryInput input(Pattern(16));
    first.SetInput(&input);
    second->SetInput(&input);
    second.reset();  // the input must forget the destroyed observer
    EXPECT_EQ(first.Input(), &input);
}

}  // namespace
