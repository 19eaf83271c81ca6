// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"

// An input over bytes in memory: 16-bit stereo 44100 Hz, delivering at most
// `piece` bytes per call. With `endless` it never runs out; with
// `unknownSize` its Size is -1. Counts passes and flushes.
class MemoryInput : public TAuInput {
public:
    explicit MemoryInput(std::vector<std::uint8_t> data, std::size_t piece = 4096);
    ~MemoryInput() override;

    int BitsPerSample() override { return 16; }
    int Channels() override { return 2; }
    int SampleRate() override { return 44100; }

    void SetEndless(bool endless) { m_endless = endless; }
    void SetUnknownSize(bool unknown) { m_unknownSize = unknown; }
    // Moves the pass position as if `bytes` had been read (for Progress).
    void SetPositionForTest(std::int64_t bytes) { m_position = bytes; }
    void SetSizeForTest(std::int64_t bytes) { m_size = bytes; }

    std::atomic<int> Inits{0};
    std::atomic<int> Flushes{0};

protected:
    void InitInternal() override;
    void FlushInternal() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;

private:
    std::vector<std::uint8_t> m_data;
    std::size_t m_piece;
    std::size_t m_offset = 0;
    bool m_endless = false;
    bool m_unknownSize = false;
};

// An output that pulls 16384-byte blocks, counts and checksums what it got
// and records the calls of the contract. Hooks let a test make Prepare or
// DoOutput fail.
class CountingOutput : public TAuOutput {
public:
    CountingOutput() = default;
    ~CountingOutput() override;

    std::function<void()> PrepareHook;
    std::function<void()> DoOutputHook;

    std::atomic<int> Prepares{0};
    std::atomic<int> Blocks{0};
    std::atomic<int> Dones{0};
    std::atomic<int> AbortCalls{0};
    std::atomic<std::int64_t> BytesOut{0};
    std::atomic<std::uint64_t> Checksum{0};

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
};

// Runs the GUI thread's queued calls until `done` holds (at most 30 s).
bool WaitFor(const std::function<bool()>& done);
// Runs the GUI thread's queued calls for a while, to see that nothing more
// arrives.
void Drain(std::chrono::milliseconds duration);

// Bytes 0, 1, 2, ... 255, 0, 1, ... of the given length.
std::vector<std::uint8_t> Pattern(std::size_t length);
std::uint64_t ChecksumOf(const std::uint8_t* data, std::size_t length);

// A fresh folder under the test's temporary folder, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const;

private:
    std::string m_path;
};
