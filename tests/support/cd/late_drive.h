// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A drive that needs a read offset correction and may fail a sector, made
// from disc images, and the AccurateRip answer for an image's own audio:
// what read offset and verified rip tests need that no real drive in a test
// machine gives.

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "support/cd/forwarding_device.h"
#include "verify/accuraterip_disc.h"

// What the late drive does and what it saw. Its calls come on whichever
// thread reads the handle, one at a time.
struct LateDriveScript {
    std::int32_t readsLate = 0;  // the correction the drive needs, in samples
    std::optional<std::uint32_t> badSector = std::nullopt;  // every read touching it fails
    bool named = true;  // answers as the real drive "Brisk" "Test Drive", else as the image
    std::stop_source* stopOnRead = nullptr;  // stopped by every read when set
    int reads = 0;
    bool carefulRead = false;
};

// Lists the disc images as drives whose reads come `readsLate` samples late,
// as a drive needing a correction of +readsLate does: asked for disc sample
// p, it delivers image sample p - readsLate, silence outside the image.
// Named, they answer as one model of real drive, so that the read offset
// stored for it applies. The script must outlive every device opened.
class LateDriveBackend final : public WrappingBackend {
public:
    explicit LateDriveBackend(LateDriveScript& script);
    std::vector<CDDriveEntry> ListDrives() override;

private:
    const LateDriveScript& m_script;
};

// The database's answer for the disc: a chunk of v1 and one of v2 sums of
// each audio track's audio taken shifts[k] samples later in the image (its
// whole audio, silence outside it), each with confidence 3.
[[nodiscard]] std::string AccurateRipAnswerFor(const TArDisc& disc,
                                               const std::vector<std::uint8_t>& image,
                                               const std::vector<int>& shifts);
