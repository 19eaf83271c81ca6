// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_support.h"

CountingOutput::~CountingOutput() {
    Stop(false);
}

void CountingOutput::Prepare() {
    ++Prepares;
    Input()->Init();
    if (PrepareHook) {
        PrepareHook();
    }
}

bool CountingOutput::DoOutput(bool abort) {
    if (abort) {
        ++AbortCalls;
        return false;
    }
    if (DoOutputHook) {
        DoOutputHook();
    }
    std::vector<std::uint8_t> block(16384);
    bool end = false;
    const std::size_t got = FillBuffer(*Input(), block.data(), block.size(), end);
    ++Blocks;
    BytesOut += static_cast<std::int64_t>(got);
    Checksum += ChecksumOf(block.data(), got);
    return got > 0;
}

void CountingOutput::Done() {
    ++Dones;
    Input()->Flush();
}

std::vector<std::uint8_t> Pattern(std::size_t length) {
    std::vector<std::uint8_t> data(length);
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(i);
    }
    return data;
}

std::uint64_t ChecksumOf(const std::uint8_t* data, std::size_t length) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        sum += data[i];
    }
    return sum;
}
