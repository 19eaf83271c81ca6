// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_track_verifier.h"

#include <algorithm>
#include <utility>
#include <vector>

RipTrackVerifier::RipTrackVerifier(TCDHandle handle, std::optional<TArDisc> disc,
                                   std::uint32_t leadOut, bool scanShifts, RipAudioObserver* next)
    : m_handle(handle),
      m_disc(std::move(disc)),
      m_leadOut(leadOut),
      m_scanShifts(scanShifts),
      m_next(next) {}

void RipTrackVerifier::TrackStarted(std::int32_t trackNumber, std::uint32_t sectorCount) {
    if (m_next != nullptr) {
        m_next->TrackStarted(trackNumber, sectorCount);
    }
    m_report = {};
    m_report.Number = trackNumber;
    m_track = nullptr;
    m_bytesToSum = 0;
    m_sums.reset();
    m_scanner.reset();
    if (m_disc) {
        const auto found = std::ranges::find(m_disc->tracks, trackNumber, &TArTrack::number);
        m_track = found != m_disc->tracks.end() ? &*found : nullptr;
    }
    if (m_track != nullptr) {
        // An enhanced CD's last audio track runs on into the gap before the
        // data session, which the sums leave out.
        m_bytesToSum = std::uint64_t{std::min(m_track->sectors, sectorCount)} * kCDSectorBytes;
        const std::uint64_t samples = std::uint64_t{m_track->sectors} * kArSamplesPerSector;
        if (m_scanShifts) {
            m_scanner.emplace(samples, m_track->first, m_track->last);
            ScanMargin(std::int64_t{m_track->startSector} - kArScanMarginSectors,
                       kArScanMarginSectors);
        }
        // A scanned track's sums come from its scanner, which takes them anyway.
        if (!m_scanner) {
            m_sums.emplace(samples, m_track->first, m_track->last);
        }
    }
    // Only the track's own reads count, not those of its margins.
    static_cast<void>(ResetCDReadQuality(m_handle));
}

void RipTrackVerifier::AudioWritten(std::span<const std::uint8_t> bytes) {
    if (m_next != nullptr) {
        m_next->AudioWritten(bytes);
    }
    const std::span<const std::uint8_t> summed =
        bytes.first(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), m_bytesToSum)));
    m_bytesToSum -= summed.size();
    if (m_sums) {
        m_sums->Update(summed);
    }
    if (m_scanner) {
        m_scanner->Update(summed);
    }
}

void RipTrackVerifier::TrackEnded(bool complete) {
    if (m_next != nullptr) {
        m_next->TrackEnded(complete);
    }
    static_cast<void>(GetCDReadQuality(m_handle, &m_report.ReadQuality));
    if (!complete || m_track == nullptr) {
        return;
    }
    if (m_scanner) {
        m_report.Sums = m_scanner->Sums();
        ScanMargin(std::int64_t{m_track->startSector} + m_track->sectors, kArScanMarginSectors);
    } else {
        m_report.Sums = m_sums->Finish();
    }
    if (m_scanner) {
        m_report.ShiftedSums = m_scanner->Finish();
    }
}

TRipTrackReport RipTrackVerifier::TakeReport() {
    return std::exchange(m_report, {});
}

void RipTrackVerifier::ScanMargin(std::int64_t first, std::uint32_t count) {
    std::vector<std::uint8_t> margin(std::size_t{count} * kCDSectorBytes, 0);
    const std::int64_t readFirst = std::max<std::int64_t>(first, 0);
    const std::int64_t readEnd = std::min<std::int64_t>(first + count, m_leadOut);
    if (readFirst < readEnd) {
        TTrackBuf buffer = MakeTrackBuf(static_cast<std::uint32_t>(readFirst),
                                        static_cast<std::uint32_t>(readEnd - readFirst));
        if (ReadCDAudioLBA(m_handle, &buffer) != 1 ||
            std::uint64_t{buffer.StartOffset} + buffer.Len > buffer.Buf.size() ||
            buffer.Len != buffer.MaxLen) {
            m_scanner.reset();
            return;
        }
        std::ranges::copy(std::span(buffer.Buf).subspan(buffer.StartOffset, buffer.Len),
                          margin.begin() + (readFirst - first) * kCDSectorBytes);
    }
    m_scanner->Update(margin);
}
