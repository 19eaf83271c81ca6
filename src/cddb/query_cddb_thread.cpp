// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/query_cddb_thread.h"

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

void SetConnectionOptions(const TQueryCDDB& connection) {
    CDDBSetOption(cdoServer, TrimSpaces(connection.Server).c_str(), 0);
    CDDBSetOption(cdoScript, TrimSpaces(connection.Script).c_str(), 0);
    CDDBSetOption(cdoUserEmail, kCddbUserEmail, 0);
    CDDBSetOption(cdoClient, kCddbClient, 0);
    CDDBSetOption(cdoTimeLimit, "", 0);
    CDDBSetOption(cdoUseProxy, "", connection.UseProxy ? 1 : 0);
    if (connection.UseProxy) {
        CDDBSetOption(cdoProxyPort, "", CddbProxyPort(connection.Port));
        CDDBSetOption(cdoProxyHost, TrimSpaces(connection.ProxyAddress).c_str(), 0);
    }
}

}  // namespace

int CddbProxyPort(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    const bool number = error == std::errc() && end == text.data() + text.size();
    return number && port >= 1 && port <= 65535 ? port : kDefaultProxyPort;
}

TQueryCDDBThread::TQueryCDDBThread(MessageTarget& target, std::uint8_t firstTrack,
                                   std::uint8_t lastTrack, TCDHandle cdHandle,
                                   TQueryCDDB connection)
    : m_target(target),
      m_trackCount(lastTrack >= firstTrack ? lastTrack - firstTrack + 1 : 0),
      m_cdHandle(cdHandle),
      m_connection(std::move(connection)),
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
    SetConnectionOptions(m_connection);
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
            ApplyEntry(entry, stop)) {
            break;
        }
    }
    PostNotice(stop, kCddbFinished, 0);
}

bool TQueryCDDBThread::ApplyEntry(const std::string& entry, std::stop_token stop) {
    const TCddbDiscInfo info = ParseCddbEntry(entry);
    if (info.artist) {
        PostChange(stop, TCddbChangeKind::Artist, *info.artist);
        PostChange(stop, TCddbChangeKind::Album, *info.album);
    }
    if (info.year) {
        PostChange(stop, TCddbChangeKind::Year, *info.year);
    }
    if (info.genre) {
        PostChange(stop, TCddbChangeKind::Genre, {}, CddbGenrePosition(*info.genre));
    }
    bool titled = false;
    for (const auto& [row, title] : info.titles) {
        if (row < m_trackCount) {
            PostChange(stop, TCddbChangeKind::TrackTitle, title, row);
            titled = true;
        }
    }
    return titled;
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
