// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "audio/tags/id3v1_genres.h"
#include "cddb/musicbrainz/musicbrainz_answer.h"
#include "cddb/musicbrainz/musicbrainz_choice.h"
#include "cddb/musicbrainz/musicbrainz_toc.h"

namespace {

// Audio tracks at starts, then data tracks at dataStarts.
TMbDiscToc DiscToc(std::vector<std::uint32_t> starts, std::uint32_t leadOut,
                   std::vector<std::uint32_t> dataStarts = {}) {
    TMbDiscToc toc{1, {}, leadOut};
    for (const std::uint32_t start : starts)
        toc.tracks.push_back({start, false});
    for (const std::uint32_t start : dataStarts)
        toc.tracks.push_back({start, true});
    return toc;
}

TEST(MusicBrainzTocTest, DiscIdsOfKnownDiscs) {
    struct Case {
        TMbDiscToc toc;
        const char* id;
    };
    const Case cases[] = {
        {DiscToc({150, 15363, 32314, 46592, 63414, 80489}, 95462), "49HHV7Eb8UKF3aQiNmu1GR8vKTY-"},
        {DiscToc({150,    9700,   25887,  39297,  53795,  63735,  77517,  94877,
                  107270, 123552, 135522, 148422, 161197, 174790, 192022, 205545,
                  218010, 228700, 239590, 255470, 266932, 288750},
                 303602),
         "xUp1F2NkfP8s8jaeFn_Av3jNEI4-"},
        // Enhanced CD: the audio part ends 11400 frames before the data track.
        {DiscToc({150, 15687, 31841, 51016, 66616, 81352, 99559, 116070, 133243, 149997, 161710,
                  177832},
                 210535, {207256}),
         "KnpGsLhvH.lPrNc1PBL21lb9Bg4-"},
        // Track 1 late (hidden audio before it); track 1 at 182.
        {DiscToc(
             {24320, 44855, 64090, 77885, 88095, 104020, 118245, 129255, 141765, 164487, 181780},
             197850),
         "MAj3xXf6QMy7G.BIFOyHyq4MySE-"},
        {DiscToc({182, 33322, 52597, 73510, 98882, 136180, 169185, 187490}, 212075),
         "xp5tz6rE4OHrBafj0bLfDRMGK48-"},
        {DiscToc({150, 61109, 94976, 118065, 143171}, 199410), "tNSQ3K59B8ZkSb19P__Jet6B.sk-"},
    };
    for (const Case& c : cases) {
        const std::optional<TMbIdToc> toc = MusicBrainzIdToc(c.toc);
        ASSERT_TRUE(toc.has_value()) << c.id;
        EXPECT_EQ(MusicBrainzDiscId(*toc), c.id);
    }
}

TEST(MusicBrainzTocTest, DataTracksAndRequest) {
    // The enhanced CD above: 12 audio tracks, the lead-out moved before the data.
    const auto enhanced = MusicBrainzIdToc(DiscToc({150, 20000}, 99999, {60000}));
    ASSERT_TRUE(enhanced.has_value());
    EXPECT_EQ(MusicBrainzTocString(*enhanced), "1 2 48600 150 20000");
    EXPECT_EQ(MusicBrainzLookupPath(*enhanced),
              "/ws/2/discid/" + MusicBrainzDiscId(*enhanced) +
                  "?toc=1+2+48600+150+20000&inc=artist-credits+recordings+labels+"
                  "release-groups+isrcs+genres&fmt=json");
    // A data track first stays; an audio track past the moved lead-out goes.
    TMbDiscToc mixed = DiscToc({150, 20000, 40000}, 99999, {51000});
    mixed.tracks[0].data = true;
    const auto kept = MusicBrainzIdToc(mixed);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(MusicBrainzTocString(*kept), "1 2 39600 150 20000");
    // Copy-protected discs: a track at 0 counts as 150, and tracks past a
    // lead-out too small go, so the last track moves down.
    const auto broken = MusicBrainzIdToc(DiscToc({0, 20000, 40000}, 30000));
    ASSERT_TRUE(broken.has_value());
    EXPECT_EQ(MusicBrainzTocString(*broken), "1 2 30000 150 20000");
    EXPECT_FALSE(MusicBrainzIdToc(DiscToc({}, 99999, {150})).has_value());
    EXPECT_FALSE(MusicBrainzIdToc(DiscToc({}, 99999)).has_value());
}

// A candidate as a list shows it.
std::string Line(const TMbCandidate& c) {
    return c.artist + "|" + c.title + "|" + c.country + "|" + c.date + "|" + c.label + "|" +
           c.format + "|" + std::to_string(c.discNumber) + "/" + std::to_string(c.discTotal) + "|" +
           std::to_string(c.trackCount);
}

constexpr const char* kDiscId = "AbCdEfGhIjKlMnOpQrStUvWxYz0-";

// A medium of two tracks; the second has its own artist and a recording title
// that differs from the track title.
std::string Medium(int position, const std::string& discId, int tracks = 2) {
    return R"({"position":)" + std::to_string(position) + R"(,"format":"CD","track-count":)" +
           std::to_string(tracks) + R"(,"discs":[{"id":")" + discId + R"("}],"tracks":[
        {"id":"t2","position":2,"title":"Bye-Bye","recording":{"id":"r2","title":"Bye‐Bye"},
         "artist-credit":[{"name":"Guest","joinphrase":""}]},
        {"id":"t1","position":1,"title":"Intro\u0007","recording":{"id":"r1","isrcs":["GBAAA0000001"]},
         "artist-credit":[{"name":"Ann","joinphrase":" feat. "},{"name":"Bob"}]}]})";
}

std::string Release(const std::string& id, const std::string& country, const std::string& media,
                    const std::string& date = "2007-03-05",
                    const std::string& more = R"("status":null)") {
    return R"({"id":")" + id + R"(","title":"Album","date":")" + date + R"(","country":")" +
           country + R"(","barcode":"0123",)" + more + R"(,
        "artist-credit":[{"name":"Ann","joinphrase":" feat. ","artist":{"name":"Anne"}},{"name":"Bob"}],
        "label-info":[{"label":{"name":"Lab"}},{"label":null}],
        "genres":[{"name":"made-up","count":9}],
        "release-group":{"id":"g1","genres":[{"name":"rock","count":1},{"name":"synth-pop","count":3}]},
        "media":[)" +
           media + "]}";
}

TrackInfo Track(int number, const char* title, const char* artist, const char* isrc,
                const char* recording, const char* id) {
    return {number, title, artist, isrc, recording, id};
}

TEST(MusicBrainzAnswerTest, AnswersOfEveryShape) {
    const std::string other = "OtherDiscId000000000000000-";
    DiscInfo release;
    release.Artist = "Ann feat. Bob";
    release.Album = "Album";
    release.Year = "2007";
    release.Genre = "Synthpop";
    release.GenrePosition = MusicBrainzGenrePosition("Synthpop");
    release.DiscNumber = 2;
    release.DiscTotal = 2;
    release.Barcode = "0123";
    release.ReleaseId = "rel1";
    release.ReleaseGroupId = "g1";
    release.DiscId = kDiscId;
    release.Tracks = {Track(1, "Intro ", "", "GBAAA0000001", "r1", "t1"),
                      Track(2, "Bye-Bye", "Guest", "", "r2", "t2")};
    DiscInfo stub;
    stub.Artist = "Various Artists";
    stub.Album = "Stub";
    stub.DiscNumber = 1;
    stub.DiscTotal = 1;
    stub.DiscId = kDiscId;
    stub.Tracks = {Track(1, "One", "", "", "", ""), Track(2, "Two", "Zed", "", "", "")};
    DiscInfo fuzzy = release;
    fuzzy.DiscNumber = 1;
    const std::string fuzzyDisc =
        R"({"release-count":2,"releases":[)" + Release("rel0", "DE", Medium(1, other, 3)) + "," +
        Release("rel1", "GB", Medium(1, other) + "," + Medium(2, other, 3)) + "]}";
    struct Case {
        std::string body;
        int audioTracks;
        TMbAnswerKind kind;
        std::vector<std::string> candidates;
        std::optional<DiscInfo> first;  // of the first candidate
        int firstTrack = 1;             // of the disc's table of contents
        std::vector<bool> fronts{};     // whether each release has a front cover
    };
    DiscInfo laterTracks = release;
    laterTracks.Tracks[0].Number = 3;
    laterTracks.Tracks[1].Number = 4;
    const auto official = [](const char* front) {
        return std::string(R"("status":"Official","cover-art-archive":{"front":)") + front + "}";
    };
    const Case cases[] = {
        // Multi-disc: medium 2 carries the id, medium 1 does not.
        {R"({"id":"x","offsets":[150],"sectors":9,"releases":[)" +
             Release("rel1", "GB", Medium(1, other) + "," + Medium(2, kDiscId)) + "]}",
         2,
         TMbAnswerKind::Disc,
         {"Ann feat. Bob|Album|GB|2007-03-05|Lab|CD|2/2|2"},
         release},
        // Several releases (pressings) with the disc: a choice.
        {R"({"id":"x","releases":[)" + Release("rel0", "US", Medium(1, kDiscId)) + "," +
             Release("rel1", "GB", Medium(1, other) + "," + Medium(2, kDiscId)) + "]}",
         2,
         TMbAnswerKind::Disc,
         {"Ann feat. Bob|Album|US|2007-03-05|Lab|CD|1/1|2",
          "Ann feat. Bob|Album|GB|2007-03-05|Lab|CD|2/2|2"},
         std::nullopt},
        {std::string(R"({"id":")") + kDiscId + R"(","title":"Stub","artist":"Various Artists",
           "track-count":2,"tracks":[{"title":"One","artist":null},{"title":"Two","artist":"Zed"}]})",
         2,
         TMbAnswerKind::Stub,
         {"Various Artists|Stub||||CD|1/1|2"},
         stub},
        // Fuzzy: only media with as many tracks as the disc has audio tracks,
        // a data track not counted.
        {fuzzyDisc,
         2,
         TMbAnswerKind::ReleaseList,
         {"Ann feat. Bob|Album|GB|2007-03-05|Lab|CD|1/2|2"},
         fuzzy},
        {fuzzyDisc,
         3,
         TMbAnswerKind::ReleaseList,
         {"Ann feat. Bob|Album|DE|2007-03-05|Lab|CD|1/1|3",
          "Ann feat. Bob|Album|GB|2007-03-05|Lab|CD|2/2|3"},
         std::nullopt},
        // A disc whose audio starts at track 3: tracks numbered as on the disc.
        {R"({"id":"x","releases":[)" +
             Release("rel1", "GB", Medium(1, other) + "," + Medium(2, kDiscId)) + "]}",
         2,
         TMbAnswerKind::Disc,
         {"Ann feat. Bob|Album|GB|2007-03-05|Lab|CD|2/2|2"},
         laterTracks,
         3},
        // Ranked: the disc's track count, then official, then the earliest
        // date, undated last, else in answer order.
        {R"({"id":"x","releases":[)" +
             Release("rel0", "US", Medium(1, kDiscId, 3), "2000", official("true")) + "," +
             Release("rel1", "GB", Medium(1, kDiscId), "", official("false")) + "," +
             Release("rel2", "DE", Medium(1, kDiscId), "2001", R"("status":"Bootleg")") + "," +
             Release("rel3", "FR", Medium(1, kDiscId), "2005", official("null")) + "," +
             Release("rel4", "NL", Medium(1, kDiscId), "2005", official("true")) + "," +
             Release("rel5", "JP", Medium(1, kDiscId), "2003-01", official("true")) + "]}",
         2,
         TMbAnswerKind::Disc,
         {"Ann feat. Bob|Album|JP|2003-01|Lab|CD|1/1|2", "Ann feat. Bob|Album|FR|2005|Lab|CD|1/1|2",
          "Ann feat. Bob|Album|NL|2005|Lab|CD|1/1|2", "Ann feat. Bob|Album|GB||Lab|CD|1/1|2",
          "Ann feat. Bob|Album|DE|2001|Lab|CD|1/1|2", "Ann feat. Bob|Album|US|2000|Lab|CD|1/1|3"},
         std::nullopt,
         1,
         {true, false, false, false, true, true}},
        {R"({"error":"Not Found","help":"x"})", 2, TMbAnswerKind::NotFound, {}, std::nullopt},
        {R"({"error":"Your requests are exceeding the allowable rate limit"})",
         2,
         TMbAnswerKind::Error,
         {},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 80));
        const TMbAnswer answer = ParseMusicBrainzAnswer(c.body);
        ASSERT_EQ(answer.kind, c.kind) << answer.message;
        const std::vector<TMbCandidate> found =
            MusicBrainzCandidates(answer, kDiscId, c.audioTracks);
        std::vector<std::string> lines;
        for (const TMbCandidate& candidate : found)
            lines.push_back(Line(candidate));
        EXPECT_EQ(lines, c.candidates);
        if (c.first) {
            EXPECT_EQ(MusicBrainzDiscInfo(answer, found.at(0), kDiscId, c.firstTrack), *c.first);
        }
        if (!c.fronts.empty()) {
            std::vector<bool> fronts;
            for (const TMbRelease& r : answer.releases)
                fronts.push_back(r.hasFrontCover);
            EXPECT_EQ(fronts, c.fronts);
        }
    }
}

TEST(MusicBrainzAnswerTest, MalformedAnswersAreErrors) {
    const char* const bodies[] = {
        "",
        "{\"id\":\"x\",\"releases\":[",
        "[1,2]",
        R"({"id":"x","releases":{}})",
        R"({"id":"x","releases":[{"title":7}]})",
        R"({"id":"x","releases":[{"media":[{"position":"1"}]}]})",
        R"({"id":"x","releases":[{"media":[{"position":-1}]}]})",
        R"({"id":"x","releases":[{"media":[{"tracks":[{"recording":{"isrcs":[1]}}]}]}]})",
        R"({"id":"x","releases":[{"artist-credit":["Ann"]}]})",
        R"({"id":"x","releases":[{"release-group":"g"}]})",
        R"({"id":"x","releases":[{"cover-art-archive":{"front":"yes"}}]})",
        R"({"id":"x","releases":[{"cover-art-archive":true}]})",
        R"({"id":"x","tracks":[null]})",
        R"({"release-count":0})",
        "{\"title\":\"\xff\"}",
    };
    for (const char* body : bodies) {
        const TMbAnswer answer = ParseMusicBrainzAnswer(body);
        EXPECT_EQ(answer.kind, TMbAnswerKind::Error) << body;
        EXPECT_EQ(answer.message.rfind("Malformed answer: ", 0), 0U) << answer.message;
        EXPECT_TRUE(answer.releases.empty()) << body;
    }
}

TEST(MusicBrainzAnswerTest, LongTextsAreCutAtACharacter) {
    std::string body = R"({"id":"x","releases":[{"title":")";
    body += "a";
    for (std::size_t i = 0; i < kMbMaxTextBytes; ++i)
        body += "é";
    body += R"("}]})";
    const TMbAnswer answer = ParseMusicBrainzAnswer(body);
    ASSERT_EQ(answer.releases.size(), 1U);
    EXPECT_EQ(answer.releases[0].title.size(), kMbMaxTextBytes - 1);
    EXPECT_EQ(answer.releases[0].title.back(), '\xa9');
}

TEST(MusicBrainzGenreTest, NamesMapToTheGenreList) {
    const std::pair<const char*, const char*> cases[] = {
        {"hip hop", "Hip-Hop"}, {"synth-pop", "Synthpop"}, {"drum and bass", "Drum & Bass"},
        {"r&b", "R&B"},         {"j-pop", "JPop"},         {"alternative rock", "Alt. Rock"},
        {"indie pop", "Indie"}, {"made-up", ""},           {"", ""},
    };
    for (const auto& [name, listName] : cases) {
        const int position = MusicBrainzGenrePosition(name);
        EXPECT_EQ(position, *listName == '\0' ? -1 : GenreListPosition(listName)) << name;
    }
}

}  // namespace
