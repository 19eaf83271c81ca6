// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A disc image for the CD benchmarks, listed as a drive and opened.

#include <cstdint>
#include <filesystem>

#include "cd/access/cd_access.h"

// `tracks` equal tracks of byte patterns, `sectors` in all, written as
// "disc.cue" in a folder of its own under the scratch folder; the handle is
// closed and the folder removed with the object.
class BenchDisc {
public:
    BenchDisc(std::uint32_t sectors, int tracks);
    ~BenchDisc();
    BenchDisc(const BenchDisc&) = delete;
    BenchDisc& operator=(const BenchDisc&) = delete;

    [[nodiscard]] const std::filesystem::path& Folder() const { return m_folder; }
    [[nodiscard]] std::filesystem::path Cue() const { return m_folder / "disc.cue"; }
    // 0 when the image could not be made or opened.
    [[nodiscard]] TCDHandle Handle() const { return m_handle; }
    [[nodiscard]] std::int64_t Bytes() const { return m_bytes; }

private:
    std::filesystem::path m_folder;
    std::int64_t m_bytes = 0;
    TCDHandle m_handle = 0;
};
