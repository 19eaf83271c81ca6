// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/musicbrainz_answer.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace {

using Json = nlohmann::json;

// A value of the wrong type where a field is read; the answer is malformed.
class BadAnswer : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string CleanText(std::string_view raw) {
    std::string text(raw.substr(0, kMbMaxTextBytes));
    if (raw.size() > kMbMaxTextBytes) {
        // Drop a character cut in two: its trailing bytes and its lead byte.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
            text.pop_back();
        }
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) {
            text.pop_back();
        }
    }
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    return text;
}

// The member key of an object, or nullptr when it is missing or null.
const Json* Member(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() || found->is_null() ? nullptr : &*found;
}

std::string Text(const Json& object, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return {};
    }
    if (!value->is_string()) {
        throw BadAnswer(std::string("\"") + key + "\" is not a text");
    }
    return CleanText(value->get_ref<const std::string&>());
}

bool Flag(const Json& object, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return false;
    }
    if (!value->is_boolean()) {
        throw BadAnswer(std::string("\"") + key + "\" is not true or false");
    }
    return value->get<bool>();
}

long long Number(const Json& object, const char* key) {
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return 0;
    }
    if (!value->is_number_integer()) {
        throw BadAnswer(std::string("\"") + key + "\" is not a whole number");
    }
    return value->get<long long>();
}

int Count(const Json& object, const char* key) {
    const long long value = Number(object, key);
    if (value < 0 || value > 100000) {
        throw BadAnswer(std::string("\"") + key + "\" is out of range");
    }
    return static_cast<int>(value);
}

const Json& ObjectOf(const Json& value, const char* what) {
    if (!value.is_object()) {
        throw BadAnswer(std::string("\"") + what + "\" is not an object");
    }
    return value;
}

// The elements of the array member key, at most limit of them; none when the
// member is missing or null.
std::vector<const Json*> Items(const Json& object, const char* key, std::size_t limit) {
    std::vector<const Json*> items;
    const Json* value = Member(object, key);
    if (value == nullptr) {
        return items;
    }
    if (!value->is_array()) {
        throw BadAnswer(std::string("\"") + key + "\" is not a list");
    }
    for (const Json& item : *value) {
        if (items.size() == limit) {
            break;
        }
        items.push_back(&item);
    }
    return items;
}

std::vector<std::string> Texts(const Json& object, const char* key) {
    std::vector<std::string> texts;
    for (const Json* item : Items(object, key, kMbMaxListItems)) {
        if (!item->is_string()) {
            throw BadAnswer(std::string("\"") + key + "\" holds something else than texts");
        }
        texts.push_back(CleanText(item->get_ref<const std::string&>()));
    }
    return texts;
}

// The credited names, each followed by its join phrase.
std::string ArtistCredit(const Json& object) {
    std::string phrase;
    for (const Json* credit : Items(object, "artist-credit", kMbMaxListItems)) {
        const Json& entry = ObjectOf(*credit, "artist-credit");
        phrase += Text(entry, "name") + Text(entry, "joinphrase");
    }
    return CleanText(phrase);
}

void AddGenres(const Json& object, std::vector<TMbGenre>& genres) {
    std::vector<TMbGenre> found;
    for (const Json* item : Items(object, "genres", kMbMaxListItems)) {
        const Json& genre = ObjectOf(*item, "genres");
        found.push_back({Text(genre, "name"), Number(genre, "count")});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const TMbGenre& a, const TMbGenre& b) { return a.count > b.count; });
    genres.insert(genres.end(), found.begin(), found.end());
}

TMbTrack ParseTrack(const Json& item) {
    const Json& json = ObjectOf(item, "tracks");
    TMbTrack track{Count(json, "position"), Text(json, "id"), Text(json, "title"),
                   ArtistCredit(json)};
    if (const Json* recording = Member(json, "recording")) {
        ObjectOf(*recording, "recording");
        track.recordingId = Text(*recording, "id");
        track.isrcs = Texts(*recording, "isrcs");
    }
    return track;
}

TMbMedium ParseMedium(const Json& item) {
    const Json& json = ObjectOf(item, "media");
    TMbMedium medium{Count(json, "position"), Text(json, "title"), Text(json, "format"),
                     Count(json, "track-count")};
    for (const Json* disc : Items(json, "discs", kMbMaxListItems)) {
        medium.discIds.push_back(Text(ObjectOf(*disc, "discs"), "id"));
    }
    for (const Json* track : Items(json, "tracks", kMbMaxTracks)) {
        medium.tracks.push_back(ParseTrack(*track));
    }
    return medium;
}

TMbRelease ParseRelease(const Json& item) {
    const Json& json = ObjectOf(item, "releases");
    TMbRelease release{Text(json, "id"),    Text(json, "title"),   ArtistCredit(json),
                       Text(json, "date"),  Text(json, "country"), Text(json, "barcode"),
                       Text(json, "status")};
    for (const Json* info : Items(json, "label-info", kMbMaxListItems)) {
        if (const Json* label = Member(ObjectOf(*info, "label-info"), "label")) {
            release.labels.push_back(Text(ObjectOf(*label, "label"), "name"));
        }
    }
    AddGenres(json, release.genres);
    if (const Json* group = Member(json, "release-group")) {
        ObjectOf(*group, "release-group");
        release.releaseGroupId = Text(*group, "id");
        release.releaseGroupDate = Text(*group, "first-release-date");
        AddGenres(*group, release.genres);
    }
    for (const Json* medium : Items(json, "media", kMbMaxMedia)) {
        release.media.push_back(ParseMedium(*medium));
    }
    if (const Json* coverArt = Member(json, "cover-art-archive")) {
        release.hasFrontCover = Flag(ObjectOf(*coverArt, "cover-art-archive"), "front");
    }
    return release;
}

// A CD stub: a title, an artist and track titles under the disc id, without
// media; made into one release with one medium holding that id.
TMbRelease ParseStub(const Json& json) {
    TMbRelease release{{}, Text(json, "title"), Text(json, "artist")};
    release.barcode = Text(json, "barcode");
    TMbMedium medium{1, {}, "CD", Count(json, "track-count"), {Text(json, "id")}};
    for (const Json* item : Items(json, "tracks", kMbMaxTracks)) {
        const Json& track = ObjectOf(*item, "tracks");
        const int position = static_cast<int>(medium.tracks.size()) + 1;
        medium.tracks.push_back({position, {}, Text(track, "title"), Text(track, "artist")});
    }
    if (medium.trackCount == 0) {
        medium.trackCount = static_cast<int>(medium.tracks.size());
    }
    release.media.push_back(std::move(medium));
    return release;
}

TMbAnswer ParseShape(const Json& json) {
    if (!json.is_object()) {
        throw BadAnswer("the answer is not an object");
    }
    if (json.contains("error")) {
        const std::string error = Text(json, "error");
        if (error == "Not Found") {
            return {TMbAnswerKind::NotFound, {}, error};
        }
        return {TMbAnswerKind::Error, {}, "The server answered: " + error};
    }
    if (json.contains("releases")) {
        TMbAnswer answer{json.contains("id") ? TMbAnswerKind::Disc : TMbAnswerKind::ReleaseList};
        for (const Json* release : Items(json, "releases", kMbMaxReleases)) {
            answer.releases.push_back(ParseRelease(*release));
        }
        return answer;
    }
    if (json.contains("id") && json.contains("tracks")) {
        return {TMbAnswerKind::Stub, {ParseStub(json)}};
    }
    throw BadAnswer("the answer is neither a disc, a CD stub nor a release list");
}

}  // namespace

TMbAnswer ParseMusicBrainzAnswer(std::string_view body) {
    if (body.size() > kMbMaxAnswerBytes) {
        return {TMbAnswerKind::Error, {}, "Malformed answer: it is too long."};
    }
    const Json json = Json::parse(body, nullptr, false);
    if (json.is_discarded()) {
        return {TMbAnswerKind::Error, {}, "Malformed answer: it is not valid JSON."};
    }
    try {
        return ParseShape(json);
    } catch (const BadAnswer& error) {
        return {TMbAnswerKind::Error, {}, std::string("Malformed answer: ") + error.what() + "."};
    }
}
