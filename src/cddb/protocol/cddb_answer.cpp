// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/protocol/cddb_answer.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

// Splits text into lines at LF, dropping a CR before it.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// The code of a status line "NNN text" (or just "NNN").
std::optional<int> StatusCode(std::string_view line) {
    if (line.size() < 3 || (line.size() > 3 && line[3] != ' ')) {
        return std::nullopt;
    }
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return std::nullopt;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

// The lines after the status line, up to the "." line (or the end).
std::vector<std::string_view> ListLines(const std::vector<std::string_view>& lines) {
    std::vector<std::string_view> list;
    for (std::size_t i = 1; i < lines.size() && lines[i] != "."; ++i) {
        list.push_back(lines[i]);
    }
    return list;
}

std::string_view NextWord(std::string_view& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// "category discid title": category and disc id are needed for the read.
std::optional<TCddbMatch> ParseMatch(std::string_view line) {
    TCddbMatch match;
    match.category = NextWord(line);
    match.discId = NextWord(line);
    if (match.category.empty() || match.discId.empty()) {
        return std::nullopt;
    }
    const std::size_t start = line.find_first_not_of(' ');
    match.title = start == std::string_view::npos ? "" : line.substr(start);
    return match;
}

void AppendEncoded(std::string& out, std::string_view text, char space) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            out += space;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
}

std::string WordOrUnknown(std::string_view word) {
    return word.empty() ? std::string("unknown") : std::string(word);
}

// Length of the UTF-8 sequence starting at text[i], 0 when it is not valid
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

// The answer's lines, with the first line's status code stored in
// answer.code; nothing, with answer.message set, when there is no status line.
template <typename Answer>
std::optional<std::vector<std::string_view>> StatusLines(std::string_view text, Answer& answer) {
    std::vector<std::string_view> lines = SplitLines(text);
    const std::optional<int> code = lines.empty() ? std::nullopt : StatusCode(lines.front());
    if (!code) {
        answer.message = "The answer has no status line.";
        return std::nullopt;
    }
    answer.code = *code;
    return lines;
}

}  // namespace

TCddbHello MakeCddbHello(std::string_view email, std::string_view clientAndVersion) {
    TCddbHello hello;
    const std::size_t at = email.rfind('@');
    hello.user = WordOrUnknown(email.substr(0, at));
    hello.host = WordOrUnknown(at == std::string_view::npos ? "" : email.substr(at + 1));
    const std::size_t space = clientAndVersion.rfind(' ');
    hello.client = WordOrUnknown(clientAndVersion.substr(0, space));
    hello.version =
        WordOrUnknown(space == std::string_view::npos ? "" : clientAndVersion.substr(space + 1));
    return hello;
}

std::string CddbRequestQuery(std::string_view command, const TCddbHello& hello, int protocolLevel) {
    std::string query = "cmd=";
    AppendEncoded(query, command, '+');
    query += "&hello=";
    for (const std::string* word : {&hello.user, &hello.host, &hello.client, &hello.version}) {
        if (word != &hello.user) {
            query += '+';
        }
        AppendEncoded(query, *word, '_');
    }
    return query + "&proto=" + std::to_string(protocolLevel);
}

TCddbQueryAnswer ParseQueryAnswer(std::string_view text) {
    TCddbQueryAnswer answer;
    const std::optional<std::vector<std::string_view>> lines = StatusLines(text, answer);
    if (!lines) {
        return answer;
    }
    std::vector<std::string_view> matchLines;
    if (answer.code == 200) {
        matchLines.push_back(lines->front().substr(3));
    } else if (answer.code == 210 || answer.code == 211) {
        matchLines = ListLines(*lines);
    } else if (answer.code == 202) {
        answer.outcome = TCddbOutcome::NoMatch;
        return answer;
    } else {
        answer.outcome = TCddbOutcome::Refused;
        answer.message = std::string(lines->front());
        return answer;
    }
    for (const std::string_view line : matchLines) {
        if (answer.matches.size() == kCddbMaxMatches) {
            break;
        }
        std::optional<TCddbMatch> match = ParseMatch(line);
        if (!match) {
            answer.message = "A match line lacks its category or disc id: " + std::string(line);
            answer.matches.clear();
            return answer;
        }
        answer.matches.push_back(std::move(*match));
    }
    answer.outcome = answer.matches.empty() ? TCddbOutcome::NoMatch : TCddbOutcome::Found;
    return answer;
}

TCddbReadAnswer ParseReadAnswer(std::string_view text) {
    TCddbReadAnswer answer;
    const std::optional<std::vector<std::string_view>> lines = StatusLines(text, answer);
    if (!lines) {
        return answer;
    }
    if (answer.code != 210) {
        answer.message = std::string(lines->front());
        return answer;
    }
    for (const std::string_view line : ListLines(*lines)) {
        answer.entry.append(line).append("\n");
    }
    answer.ok = true;
    return answer;
}

std::string DecodeCddbText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | byte >> 6);
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string_view CutToWholeLines(std::string_view text, std::size_t maxLength) {
    if (text.size() <= maxLength) {
        return text;
    }
    const std::size_t lastEnd = text.substr(0, maxLength).rfind('\n');
    return text.substr(0, lastEnd == std::string_view::npos ? 0 : lastEnd + 1);
}
