// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/bench_disc.h"

#include <vector>

#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/bench_support.h"

BenchDisc::BenchDisc(std::uint32_t sectors, int tracks) : m_folder(ScratchFolder() / "disc") {
    std::filesystem::create_directories(m_folder);
    const std::size_t trackBytes = std::size_t{sectors / tracks} * kCDSectorBytes;
    std::vector<discimage::Pcm> pcm;
    for (int k = 0; k < tracks; ++k) {
        pcm.push_back(discimage::BytePattern(trackBytes, static_cast<std::uint32_t>(k)));
    }
    m_bytes = static_cast<std::int64_t>(trackBytes) * tracks;
    if (discimage::WriteDiscImage(Cue(), pcm).ok) {
        m_handle = OpenImageDrive(Cue());
    }
}

BenchDisc::~BenchDisc() {
    if (m_handle != 0) {
        CloseCDHandle(m_handle);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}
