// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/cd/late_drive.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "cd/access/libcdio_backend.h"
#include "verify/accuraterip_sums.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class LateDevice final : public ForwardingDevice {
public:
    LateDevice(std::unique_ptr<CDDevice> inner, LateDriveScript& script)
        : ForwardingDevice(std::move(inner)), m_script(script) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        ++m_script.reads;
        if (m_script.stopOnRead != nullptr) {
            m_script.stopOnRead->request_stop();
        }
        if (const std::optional<std::uint32_t> bad = m_script.badSector;
            bad && start <= *bad && *bad < start + count) {
            return false;
        }
        const std::int64_t end = std::int64_t{ReadLayout()->readableEnd} * kArSamplesPerSector;
        const std::int64_t first = std::int64_t{start} * kArSamplesPerSector - m_script.readsLate;
        const std::int64_t samples = std::int64_t{count} * kArSamplesPerSector;
        std::fill_n(dest, samples * 4, 0);
        const std::int64_t from = std::max<std::int64_t>(first, 0);
        const std::int64_t to = std::min(first + samples, end);
        if (from >= to) {
            return true;
        }
        const std::int64_t sector = from / kArSamplesPerSector;
        const std::int64_t sectors = (to + kArSamplesPerSector - 1) / kArSamplesPerSector - sector;
        Bytes raw(static_cast<std::size_t>(sectors) * kCDSectorBytes);
        if (!ForwardingDevice::ReadAudio(static_cast<std::uint32_t>(sector),
                                         static_cast<std::uint32_t>(sectors), raw.data())) {
            return false;
        }
        std::memcpy(dest + (from - first) * 4,
                    raw.data() + (from - sector * kArSamplesPerSector) * 4,
                    static_cast<std::size_t>(to - from) * 4);
        return true;
    }
    TCDAccessError ReadAudioCarefully(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                      const CDCarefulRead& how) override {
        m_script.carefulRead = true;
        return ForwardingDevice::ReadAudioCarefully(start, count, dest, how);
    }

private:
    LateDriveScript& m_script;
};

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>(value >> shift);
    }
}

}  // namespace

LateDriveBackend::LateDriveBackend(LateDriveScript& script)
    : WrappingBackend(MakeLibcdioBackend(),
                      [&script](std::unique_ptr<CDDevice> device) {
                          return std::make_unique<LateDevice>(std::move(device), script);
                      }),
      m_script(script) {}

std::vector<CDDriveEntry> LateDriveBackend::ListDrives() {
    std::vector<CDDriveEntry> drives = WrappingBackend::ListDrives();
    for (CDDriveEntry& drive : drives) {
        drive.identity =
            m_script.named ? TCDDriveIdentity{"Brisk", "Test Drive", "1.0", false} : drive.identity;
    }
    return drives;
}

std::string AccurateRipAnswerFor(const TArDisc& disc, const std::vector<std::uint8_t>& image,
                                 const std::vector<int>& shifts) {
    std::string body;
    for (const bool v2 : {false, true}) {
        body += static_cast<char>(disc.ids.audioTracks);
        PutU32(body, disc.ids.id1);
        PutU32(body, disc.ids.id2);
        PutU32(body, disc.ids.cddbId);
        for (std::size_t k = 0; k < disc.tracks.size(); ++k) {
            const TArTrack& track = disc.tracks[k];
            const std::uint64_t samples = std::uint64_t{track.sectors} * kArSamplesPerSector;
            Bytes audio(samples * 4, 0);
            const std::int64_t first =
                std::int64_t{track.startSector} * kArSamplesPerSector + shifts[k];
            for (std::uint64_t s = 0; s < samples; ++s) {
                const std::int64_t at = (first + static_cast<std::int64_t>(s)) * 4;
                if (at >= 0 && static_cast<std::size_t>(at) < image.size()) {
                    std::copy_n(image.begin() + at, 4, audio.begin() + s * 4);
                }
            }
            TArChecksummer sums(samples, track.first, track.last);
            sums.Update(audio);
            body += static_cast<char>(3);
            PutU32(body, v2 ? sums.Finish()->v2 : sums.Finish()->v1);
            PutU32(body, 0);
        }
    }
    return body;
}
