// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/query_cddb_thread.h"

#include <algorithm>
#include <charconv>

#include "cddb/cddb_access.h"
#include "cddb/cddb_entry.h"

namespace {

constexpr int kDefaultProxyPort = 80;

// Host names and paths hold no spaces, so spaces typed or stored around them
// are dropped rather than making every request fail.
std::string TrimSpaces(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(start, text.find_last_not_of(" \t") - start + 1));
}

bool IsSpaceOrControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f;
}

void SetConnectionOptions(const TQueryCDDB& connection, const std::string& userEmail) {
    CDDBSetOption(cdoServer, TrimSpaces(connection.Server).c_str(), 0);
    CDDBSetOption(cdoScript, TrimSpaces(connection.Script).c_str(), 0);
    CDDBSetOption(cdoUserEmail, CddbHelloEmail(userEmail).c_str(), 0);
    CDDBSetOption(cdoClient, kCddbClient, 0);
    CDDBSetOption(cdoTimeLimit, "", 0);
    CDDBSetOption(cdoUseProxy, "", connection.UseProxy ? 1 : 0);
    if (connection.UseProxy) {
        CDDBSetOption(cdoProxyPort, "", CddbProxyPort(connection.Port));
        CDDBSetOption(cdoProxyHost, TrimSpaces(connection.ProxyAddress).c_str(), 0);
    }
}

}  // namespace

DiscInfo DiscInfoOfChange(const TCddbChange& change, int firstTrack) {
    DiscInfo disc;
    switch (change.Kind) {
        case TCddbChangeKind::ClearDiscFields:
            break;
        case TCddbChangeKind::Artist:
            disc.Artist = change.Text;
            break;
        case TCddbChangeKind::Album:
            disc.Album = change.Text;
            break;
        case TCddbChangeKind::Year:
            disc.Year = change.Text;
            break;
        case TCddbChangeKind::Genre:
            disc.Genre = change.Text;
            disc.GenrePosition = change.Number;
            break;
        case TCddbChangeKind::TrackTitle:
            disc.Tracks.push_back({.Number = firstTrack + change.Number, .Title = change.Text});
            break;
    }
    return disc;
}

std::string CddbHelloEmail(std::string_view userEmail) {
    const std::string address = TrimSpaces(userEmail);
    const std::size_t at = address.find('@');
    const bool plausible = at != std::string::npos && at > 0 && at + 1 < address.size() &&
                           address.find('@', at + 1) == std::string::npos &&
                           address.size() <= kCddbMaxUserEmail &&
                           std::none_of(address.begin(), address.end(), IsSpaceOrControl);
    return plausible ? address : std::string(kCddbUserEmail);
}

int CddbProxyPort(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    const bool number = error == std::errc() && end == text.data() + text.size();
    return number && port >= 1 && port <= 65535 ? port : kDefaultProxyPort;
}

TQueryCDDBThread::TQueryCDDBThread(MessageTarget& target, std::uint8_t firstTrack,
                                   std::uint8_t lastTrack, TCDHandle cdHandle,
                                   TQueryCDDB connection, std::string userEmail)
    : m_target(target),
      m_firstTrack(firstTrack),
      m_trackCount(lastTrack >= firstTrack ? lastTrack - firstTrack + 1 : 0),
      m_cdHandle(cdHandle),
      m_connection(std::move(connection)),
      m_userEmail(std::move(userEmail)),
      m_thread([this](std::stop_token stop) { Execute(stop); }) {}

TQueryCDDBThread::~TQueryCDDBThread() {
    Abandon();
}

void TQueryCDDBThread::Abandon() {
    m_thread.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void TQueryCDDBThread::Execute(std::stop_token stop) {
    SetConnectionOptions(m_connection, m_userEmail);
    TCDDBQuery query;
    query.Num = kCddbMaxMatches;
    if (CDDBQuery(m_cdHandle, &query, stop) != 1) {
        const int error = GetAspiLibError();
        PostNotice(stop, kCddbFinished, error, std::make_unique<TCddbFailure>(CDDBErrorText()));
        return;
    }
    if (query.Num == 0) {
        PostNotice(stop, kCddbNoMatch, GetAspiLibError());
        return;
    }
    PostChange(stop, TCddbChangeKind::ClearDiscFields);
    for (std::uint32_t i = 0; i < query.Num && !stop.stop_requested(); ++i) {
        std::string entry;
        if (CDDBGetDiskInfo(&query.Items[i], &entry, kCDDBEntryMaxLength, stop) == 1 &&
            PostEntry(entry, stop)) {
            break;
        }
    }
    PostNotice(stop, kCddbFinished, 0);
}

bool TQueryCDDBThread::PostEntry(const std::string& entry, std::stop_token stop) {
    const DiscInfo found = CddbEntryDisc(ParseCddbEntry(entry), m_firstTrack, m_trackCount);
    PostChanges(found, stop);
    return !found.Tracks.empty();
}

// Values the entry does not hold (empty) are not posted: applied, they would
// change nothing.
void TQueryCDDBThread::PostChanges(const DiscInfo& found, std::stop_token stop) {
    if (!found.Artist.empty()) {
        PostChange(stop, TCddbChangeKind::Artist, found.Artist);
    }
    if (!found.Album.empty()) {
        PostChange(stop, TCddbChangeKind::Album, found.Album);
    }
    if (!found.Year.empty()) {
        PostChange(stop, TCddbChangeKind::Year, found.Year);
    }
    if (!found.Genre.empty() || found.GenrePosition >= 0) {
        PostChange(stop, TCddbChangeKind::Genre, found.Genre, found.GenrePosition);
    }
    for (const TrackInfo& track : found.Tracks) {
        PostChange(stop, TCddbChangeKind::TrackTitle, track.Title, track.Number - m_firstTrack);
    }
}

void TQueryCDDBThread::PostChange(std::stop_token stop, TCddbChangeKind kind, std::string text,
                                  int number) {
    if (!stop.stop_requested()) {
        m_target.Post({kCddbChangeMessage, 0, 0,
                       std::make_unique<TCddbChange>(kind, std::move(text), number)});
    }
}

void TQueryCDDBThread::PostNotice(std::stop_token stop, std::int64_t notice, std::int64_t code,
                                  std::unique_ptr<TCddbFailure> failure) {
    if (!stop.stop_requested()) {
        m_target.Post({kCddbNoticeMessage, notice, code, std::move(failure)});
    }
}
