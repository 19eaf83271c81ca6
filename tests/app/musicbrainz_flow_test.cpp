// SPDX-License-Identifier: GPL-3.0-or-later
// Titles for a disc image from a server on 127.0.0.1 playing MusicBrainz,
// through the main window: automatic and asked lookups, CD-Text, the disc
// cache's precedence.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "cd/musicbrainz_disc_toc.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "settings/disc_cache.h"
#include "support/http/loopback_http_server.h"

namespace {

using namespace std::chrono_literals;

struct Release {
    std::string id;
    std::string title;
    std::vector<std::string> tracks;
    std::string barcode = "0123456789012";
};

// A disc-id answer of the service's shape: each release has one medium, the
// disc, with its tracks; all of them by "The Larks", 1999, genre rock, with
// a front cover.
std::string DiscAnswer(const std::string& discId, const std::vector<Release>& releases) {
    std::string json = R"({"id":")" + discId + R"(","releases":[)";
    for (std::size_t r = 0; r < releases.size(); ++r) {
        const Release& release = releases[r];
        json += std::string(r > 0 ? "," : "") + R"({"id":")" + release.id + R"(","title":")" +
                release.title + R"(","date":"1999-05-01","barcode":")" + release.barcode + R"(",)" +
                R"("artist-credit":[{"name":"The Larks","joinphrase":""}],)" +
                R"("genres":[{"name":"rock","count":4}],"cover-art-archive":{"front":true},)" +
                R"("media":[{"position":1,"format":"CD","track-count":)" +
                std::to_string(release.tracks.size()) + R"(,"discs":[{"id":")" + discId +
                R"("}],"tracks":[)";
        for (std::size_t t = 0; t < release.tracks.size(); ++t) {
            json += std::string(t > 0 ? "," : "") + R"({"id":"track)" + std::to_string(t + 1) +
                    R"(","position":)" + std::to_string(t + 1) + R"(,"title":")" +
                    release.tracks[t] +
                    R"(","recording":{"id":"rec","title":"x","isrcs":["GBAAA990000)" +
                    std::to_string(t + 1) + R"("]}})";
        }
        json += "]}]}";
    }
    return json + "]}";
}

HttpReply Json(int status, std::string body) {
    return {
        HttpReply::Kind::Complete, status, std::move(body), {{"Content-Type", "application/json"}}};
}

// Serves events until done() holds or 30 s pass.
bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

const Release kFirst{
    "11111111-1111-1111-1111-111111111111", "Morning", {"Dawn", "Walk", "Noon", "Dusk"}};
const Release kSecond{
    "22222222-2222-2222-2222-222222222222", "Evening", {"Eve", "Stroll", "Night", "End"}, ""};

class MusicBrainzFlowTest : public MainWindowTest {
protected:
    // A four-track disc with this CD-Text as the only drive, and the
    // service's address in the settings.
    void InsertTextDisc(const discimage::CueText& text) {
        m_cuePath = m_root / "disc.cue";
        std::vector<discimage::Pcm> tracks;
        for (const int seconds : {3, 4, 2, 5}) {
            tracks.push_back(discimage::BytePattern(static_cast<std::size_t>(seconds) *
                                                        discimage::kFramesPerSecond *
                                                        discimage::kSectorBytes,
                                                    static_cast<std::uint32_t>(seconds)));
        }
        ASSERT_TRUE(discimage::WriteDiscImage(m_cuePath, tracks, text).ok);
        const TCDHandle handle = OpenImageDrive(m_cuePath);
        m_discId = MusicBrainzDiscId(*MusicBrainzIdToc(*ReadMusicBrainzToc(handle)));
        CloseCDHandle(handle);
        std::filesystem::create_directory(m_root / "out");
        WriteOptions(0, (m_root / "out").string());
    }
    // The cover service, when given, is asked for the chosen release's cover.
    void UseService(const LoopbackHttpServer& server, bool autoLookup,
                    const LoopbackHttpServer* covers = nullptr) {
        m_metadata = "AutoLookup=" + std::string(autoLookup ? "1" : "0") +
                     "\nUseCDText=1\nMusicBrainzServer=http://" + server.Address() + "\n";
        m_metadata += covers != nullptr ? "CoverArt=1\nCoverArtServer=http://" + covers->Address()
                                        : std::string("CoverArt=0");
    }
    [[nodiscard]] QStringList Titles() const {
        QStringList titles;
        const auto* list = Find<QTreeWidget>("ListView1");
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            titles << list->topLevelItem(row)->text(1);
        }
        return titles;
    }
    [[nodiscard]] QString Field(const char* name) const { return Find<QLineEdit>(name)->text(); }
    // What the rip would tag the files with.
    [[nodiscard]] DiscInfo RippedDisc() {
        m_window->RipSelectedTracks();
        return m_rip.discs.empty() ? DiscInfo{} : m_rip.discs.back();
    }

    std::string m_discId;
};

// A new disc is filled by the automatic lookup's one release: over its
// CD-Text, but never over a title the user typed while the answer was on its
// way. The release's front cover follows the cover service's redirect.
TEST_F(MusicBrainzFlowTest, AutomaticLookupFillsANewDisc) {
    struct Case {
        const char* name;
        discimage::CueText text;
        QStringList titlesBefore;  // once the window is shown
        QStringList titlesAfter;
    };
    const Case cases[] = {
        {"no CD-Text",
         {},
         {"Track01", "Track02", "Track03", "Track04"},
         {"Dawn", "Mine", "Noon", "Dusk"}},
        {"CD-Text",
         {"Mittag", "Die Lerchen", {{"Früh", ""}, {"Gang", ""}, {"Mittag", ""}, {"Spät", ""}}},
         {"Früh", "Gang", "Mittag", "Spät"},
         {"Dawn", "Mine", "Noon", "Dusk"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InsertTextDisc(c.text);
        std::promise<void> answer;
        std::shared_future<void> answerGiven = answer.get_future().share();
        LoopbackHttpServer server([&](const HttpRequest&) {
            answerGiven.wait_for(30s);
            return Json(200, DiscAnswer(m_discId, {kFirst}));
        });
        const std::string jpeg = "\xFF\xD8\xFF\xE0 a tiny cover";
        LoopbackHttpServer covers([&](const HttpRequest& request) {
            return request.target == "/stored/front.jpg"
                       ? HttpReply{HttpReply::Kind::Complete,
                                   200,
                                   jpeg,
                                   {{"Content-Type", "image/jpeg"}}}
                       : RedirectTo("/stored/front.jpg", 307);
        });
        UseService(server, true, &covers);
        StartWindow();
        EXPECT_EQ(Titles(), c.titlesBefore);
        EXPECT_EQ(Field("ID3album").toStdString(), c.text.title);
        m_window->SetTrackTitle(1, QStringLiteral("Mine"));
        answer.set_value();
        ASSERT_TRUE(PumpUntil([&] { return Field("ID3album") == "Morning"; }));
        EXPECT_EQ(Titles(), c.titlesAfter);
        EXPECT_EQ(Field("ID3artist"), "The Larks");
        EXPECT_EQ(Field("ID3year"), "1999");
        EXPECT_EQ(Find<QComboBox>("ID3genre")->currentText(), "Rock");
        ASSERT_TRUE(PumpUntil([&] { return !RippedDisc().Cover.empty(); }));
        const DiscInfo disc = RippedDisc();
        EXPECT_EQ(disc.Cover, std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()));
        EXPECT_EQ(disc.CoverType, "image/jpeg");
        ASSERT_EQ(covers.Requests().size(), 2u);
        EXPECT_EQ(covers.Requests()[0].target, "/release/" + kFirst.id + "/front-500");
        EXPECT_EQ(disc.ReleaseId, kFirst.id);
        EXPECT_EQ(disc.DiscId, m_discId);
        EXPECT_EQ(disc.Barcode, "0123456789012");
        ASSERT_EQ(disc.Tracks.size(), 4u);
        EXPECT_EQ(disc.Tracks[2].Isrc, "GBAAA9900003");
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_NE(server.Requests()[0].target.find(m_discId), std::string::npos);
        CloseWindow();
        std::filesystem::remove(m_paths->DiscCacheFile());  // the window kept the disc
        m_rip.discs.clear();
    }
}

// Several releases: the automatic lookup applies none and says so; the
// command then offers them without asking the server again, and applies the
// pick; a later pick of another release leaves nothing of the previous one.
TEST_F(MusicBrainzFlowTest, SeveralReleasesWaitForTheUsersChoice) {
    InsertTextDisc({});
    LoopbackHttpServer server([&](const HttpRequest&) {
        return Json(200, DiscAnswer(m_discId, {kFirst, kSecond}));
    });
    UseService(server, true);
    StartWindow();
    ASSERT_TRUE(PumpUntil([&] { return m_window->StatusText().contains("2 releases"); }));
    EXPECT_EQ(Titles(), QStringList({"Track01", "Track02", "Track03", "Track04"}));
    EXPECT_EQ(Field("ID3album"), "");
    m_releaseChoice.answer = 1;
    m_window->QueryMusicBrainz();
    ASSERT_EQ(m_releaseChoice.offers.size(), 1u);
    ASSERT_EQ(m_releaseChoice.offers[0].size(), 2u);
    EXPECT_EQ(m_releaseChoice.offers[0][1].title, "Evening");
    EXPECT_EQ(Field("ID3album"), "Evening");
    EXPECT_EQ(Titles(), QStringList({"Eve", "Stroll", "Night", "End"}));
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(m_prompts.shown.empty());

    m_releaseChoice.answer = 0;
    m_window->QueryMusicBrainz();
    m_releaseChoice.answer = 1;
    m_window->QueryMusicBrainz();
    EXPECT_EQ(server.Requests().size(), 3u);
    const DiscInfo disc = RippedDisc();
    EXPECT_EQ(disc.ReleaseId, kSecond.id);
    EXPECT_EQ(disc.Barcode, "");
}

// What the user keeps for a disc in the cache wins: neither its CD-Text nor
// a lookup touches it.
TEST_F(MusicBrainzFlowTest, ACachedDiscIsNeitherReadNorLookedUp) {
    InsertTextDisc({"Mittag", "Die Lerchen", {{"Früh", ""}}});
    TCDInfo cached;
    cached.TrackCount = 4;
    cached.Titles[1] = "Mine";
    ASSERT_TRUE(
        SaveDiscInfo(cached, DiscKey(), {"Me", "My Album", "", -1, ""}, m_paths->DiscCacheFile())
            .Ok);
    LoopbackHttpServer server(
        [&](const HttpRequest&) { return Json(200, DiscAnswer(m_discId, {kFirst})); });
    UseService(server, true);
    StartWindow();
    m_window->RefreshCD();
    // Any lookup would ask at once, or within the program's one-second gate.
    EXPECT_FALSE(server.WaitForRequests(1, 3000));
    QApplication::processEvents();
    EXPECT_EQ(Field("ID3album"), "My Album");
    EXPECT_EQ(Titles(), QStringList({"Mine", "Track02", "Track03", "Track04"}));
}

// The command under its wait dialog: Stop (Escape) abandons a server that
// holds its answer back and applies nothing; a failure says why; CD-Text on
// demand.
TEST_F(MusicBrainzFlowTest, AskedLookupStopsFailsOrApplies) {
    struct Case {
        const char* name;
        HttpReply reply;
        bool pressEscape;
        std::vector<std::string> shown;  // the boxes: kind, then text
        QString album;
    };
    const Case cases[] = {
        {"stopped", {HttpReply::Kind::Stall, 200}, true, {}, ""},
        {"not found",
         Json(404, R"({"error":"Not Found"})"),
         false,
         {"error", "MusicBrainz does not know this disc."},
         ""},
        {"found", Json(200, "@"), false, {}, "Morning"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InsertTextDisc({});
        LoopbackHttpServer server([&](const HttpRequest&) {
            return c.reply.body == "@" ? Json(200, DiscAnswer(m_discId, {kFirst})) : c.reply;
        });
        UseService(server, false);
        StartWindow();
        bool stopped = false;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget* wait = QApplication::activeModalWidget();
            if (c.pressEscape && !stopped && wait != nullptr && server.WaitForRequests(1, 0)) {
                stopped = true;
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(wait, &escape);
            }
        });
        driver.start(10);
        m_window->QueryMusicBrainz();
        driver.stop();
        EXPECT_EQ(stopped, c.pressEscape);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        std::vector<std::string> shown;
        for (const ScriptedPrompts::Shown& box : m_prompts.shown) {
            shown.push_back(box.kind);
            shown.push_back(box.text.toStdString());
        }
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(Field("ID3album"), c.album);
        EXPECT_EQ(server.Requests().size(), 1u);
        CloseWindow();
        std::filesystem::remove(m_paths->DiscCacheFile());
        m_prompts.shown.clear();
    }
    InsertTextDisc({"Mittag", "Die Lerchen", {{"Früh", ""}}});
    StartWindow();
    m_window->TitlesFromCDText();
    EXPECT_EQ(Titles(), QStringList({"Früh", "Track02", "Track03", "Track04"}));
}

}  // namespace
