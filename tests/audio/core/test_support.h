// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_output.h"
#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"
#include "support/common/test_folder.h"

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

// Bytes 0, 1, 2, ... 255, 0, 1, ... of the given length.
std::vector<std::uint8_t> Pattern(std::size_t length);
std::uint64_t ChecksumOf(const std::uint8_t* data, std::size_t length);
