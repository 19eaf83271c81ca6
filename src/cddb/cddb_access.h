// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// CDDB access: asking a CDDB server over HTTP which discs match the disc
// behind a CD access handle, and fetching a match's entry.
// Each call sends one GET request "<script>?cmd=...&hello=...&proto=6" to the
// server set with CDDBSetOption, directly or through an HTTP proxy. Answers
// that are not valid UTF-8 are read as ISO-8859-1; the text handed back is
// UTF-8.
//
// Threads: any. The options are process-wide (the last set wins); a query
// runs on the calling thread and blocks until the answer, a failure, the time
// limit or the stop token. Results follow cd_access.h: 1 success, 0 failure
// with GetAspiLibError telling why, and CDDBErrorText in words.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>

#include "cd/access/cd_access.h"
#include "cddb/protocol/cddb_answer.h"

// Option codes of CDDBSetOption, and which argument each reads.
enum TCDDBOption : int {
    cdoServer = 0,     // text: host name, optionally ":port"
    cdoProxyHost = 1,  // text
    cdoUseProxy = 2,   // number: 1 = through the proxy, 0 = directly
    cdoClient = 3,     // text: client name and version, "name version"
    cdoUserEmail = 4,  // text: "user@host", sent in the hello
    cdoProxyPort = 5,  // number
    cdoScript = 6,     // text: path of the CDDB script, "/~cddb/cddb.cgi"
    cdoTimeLimit = 8,  // number: seconds one request may take; 0 = kCDDBDefaultTimeLimit
};

inline constexpr int kCDDBProtocolLevel = 6;                 // UTF-8 text, DYEAR and DGENRE lines
inline constexpr int kCDDBDefaultTimeLimit = 30;             // seconds for one request
inline constexpr int kCDDBConnectTimeLimit = 10;             // seconds to connect, within the above
inline constexpr std::size_t kCDDBMaxAnswerBytes = 1 << 20;  // real entries stay far below
inline constexpr std::size_t kCDDBEntryMaxLength = 32000;    // bytes CDDBGetDiskInfo keeps

// Stores an option for later requests; 1, or 0 for an unknown option code.
int CDDBSetOption(int option, const char* text, int number);

// The matches of one query. The caller sets Num to the room it wants (at most
// kCddbMaxMatches); CDDBQuery sets it to the matches found.
struct TCDDBQuery {
    std::uint32_t Num = kCddbMaxMatches;
    std::array<TCddbMatch, kCddbMaxMatches> Items;
};

// Asks the server about the disc behind the handle with every track of its
// table of contents. 1 with Num = 0 when the server knows no match (202).
int CDDBQuery(TCDHandle handle, TCDDBQuery* query, std::stop_token stop = {});

// Fetches the entry of a match ("cddb read"): its lines "KEY=value" (comments
// included), each ended by "\n", cut after the last whole line that fits in
// maxLength bytes.
int CDDBGetDiskInfo(const TCddbMatch* match, std::string* entry, std::size_t maxLength,
                    std::stop_token stop = {});

// Why the calling thread's last failed CDDB call failed, in words (UTF-8):
// the server's status line, what is wrong with its answer, or libcurl's
// account of the network's failure ("Could not resolve host: ...", "Failed to
// connect to ...", "... timed out ..."). Empty after a success.
[[nodiscard]] std::string CDDBErrorText();
