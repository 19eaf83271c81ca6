// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as the MusicBrainz answer to a disc id
// lookup, parsed and chosen from as the lookup does. An error carries a
// message and no releases; every text is capped and free of control
// characters; every candidate gives a disc description.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cddb/musicbrainz/musicbrainz_answer.h"
#include "cddb/musicbrainz/musicbrainz_choice.h"

namespace {

void CheckText(std::string_view text) {
    if (text.size() > kMbMaxTextBytes) {
        std::abort();
    }
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const TMbAnswer answer = ParseMusicBrainzAnswer(body);
    if (answer.kind == TMbAnswerKind::Error &&
        (answer.message.empty() || !answer.releases.empty())) {
        std::abort();
    }
    for (const TMbRelease& release : answer.releases) {
        CheckText(release.title);
        CheckText(release.artist);
        for (const TMbMedium& medium : release.media) {
            for (const TMbTrack& track : medium.tracks) {
                CheckText(track.title);
                CheckText(track.artist);
            }
        }
    }
    for (const int tracks : {2, 9}) {
        for (const TMbCandidate& candidate : MusicBrainzCandidates(answer, "x", tracks)) {
            (void)MusicBrainzDiscInfo(answer, candidate, "x", tracks);
        }
    }
    return 0;
}
