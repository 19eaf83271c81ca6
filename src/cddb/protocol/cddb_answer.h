// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Requests and answers of the CDDB protocol over HTTP, as pure functions over
// text. An answer is a status line ("210 ..."), and for codes whose middle
// digit is 1 a list of lines closed by a line holding only ".". Lines may end
// in CR LF or LF. Only the code of a status line is read; its text differs
// between servers.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The most matches taken from one query answer.
inline constexpr std::size_t kCddbMaxMatches = 10;

// The four words a request introduces itself with: an e-mail address split
// into user and host, the client's name and version.
struct TCddbHello {
    std::string user;
    std::string host;
    std::string client;
    std::string version;
};

// The hello for an e-mail address "user@host" and a client "name version".
// Missing parts become "unknown", so the server always sees four words.
[[nodiscard]] TCddbHello MakeCddbHello(std::string_view email, std::string_view clientAndVersion);

// The query string of a request: "cmd=...&hello=...&proto=N", spaces written
// "+", every other byte outside letters, digits and "-._~" as %XX. Spaces
// inside a hello word become "_" (the server splits the hello at spaces).
[[nodiscard]] std::string CddbRequestQuery(std::string_view command, const TCddbHello& hello,
                                           int protocolLevel);

// One line of a query answer: what the read command needs, and the disc title.
struct TCddbMatch {
    std::string category;
    std::string discId;
    std::string title;

    bool operator==(const TCddbMatch&) const = default;
};

enum class TCddbOutcome {
    Found,      // one or more matches
    NoMatch,    // 202, or a match list without lines
    Refused,    // any other status code (4xx, 5xx, ...)
    Malformed,  // no status line, or a match line the read command cannot use
};

struct TCddbQueryAnswer {
    TCddbOutcome outcome = TCddbOutcome::Malformed;
    int code = 0;                     // the status code; 0 when there is none
    std::vector<TCddbMatch> matches;  // Found: the first kCddbMaxMatches, in answer order
    std::string message;              // Refused, Malformed: the status line or what is wrong
};

// Reads the answer of "cddb query": 200 (the match on the status line), 210
// and 211 (a list), 202 (no match).
[[nodiscard]] TCddbQueryAnswer ParseQueryAnswer(std::string_view text);

struct TCddbReadAnswer {
    bool ok = false;
    int code = 0;
    std::string entry;    // ok: the entry's lines, each ended by "\n"
    std::string message;  // not ok: the status line or what is wrong
};

// Reads the answer of "cddb read": 210 followed by the entry.
[[nodiscard]] TCddbReadAnswer ParseReadAnswer(std::string_view text);

// Answer bytes as UTF-8: kept when they are valid UTF-8, otherwise read as
// ISO-8859-1 (servers below protocol level 6 and old entries use it).
[[nodiscard]] std::string DecodeCddbText(std::string_view bytes);

// The longest run of whole lines of text that fits in maxLength bytes.
[[nodiscard]] std::string_view CutToWholeLines(std::string_view text, std::size_t maxLength);
