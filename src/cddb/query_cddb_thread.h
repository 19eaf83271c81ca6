// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The worker of one CDDB query. It sets the connection options, asks the
// server about the disc and reads the matches' entries in order until one
// names a track of the disc. Each entry becomes a DiscInfo, posted as a
// stream of changes (one message per value it holds), followed by a notice:
// no match, or finished. The receiver turns each change back into the
// DiscInfo it stands for (DiscInfoOfChange) and applies it on its own thread
// in posting order, so all of them are applied before it handles the notice.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "base/message_target.h"
#include "cd/access/cd_access.h"
#include "disc/disc_info.h"
#include "settings/options_setting.h"

// The worker's notice to the wait dialog: word parameter kCddbNoMatch (long
// parameter: the CD access module's last error) or kCddbFinished (long
// parameter 0; after a failed query call the CD access module's error, with
// a TCddbFailure record saying why).
inline constexpr std::uint32_t kCddbNoticeMessage = 2129;
inline constexpr std::int64_t kCddbNoMatch = 6;
inline constexpr std::int64_t kCddbFinished = 7;

// The record of a finished notice that ends a failed query call.
struct TCddbFailure final : MessagePayload {
    explicit TCddbFailure(std::string reason) : Reason(std::move(reason)) {}
    std::string Reason;  // UTF-8: why the call failed, in words
};

// One change of the main window, carried by a kCddbChangeMessage.
inline constexpr std::uint32_t kCddbChangeMessage = 2128;

enum class TCddbChangeKind {
    ClearDiscFields,
    Artist,
    Album,
    Year,
    Genre,       // Text: its name; Number: position in the genre list, -1 none
    TrackTitle,  // Number: the track's position on the disc, 0 first
};

// Posted record; belongs to the receiver.
struct TCddbChange final : MessagePayload {
    TCddbChange(TCddbChangeKind kind, std::string text, int number)
        : Kind(kind), Text(std::move(text)), Number(number) {}
    TCddbChangeKind Kind;
    std::string Text;  // UTF-8, free of control characters
    int Number = 0;
};

// The DiscInfo a change stands for, on a disc whose first track is
// firstTrack; ClearDiscFields stands for none (an empty DiscInfo).
[[nodiscard]] DiscInfo DiscInfoOfChange(const TCddbChange& change, int firstTrack);

// The address the hello carries when the user gave none that looks like one.
inline constexpr const char* kCddbUserEmail = "anonymous@localhost";
inline constexpr const char* kCddbClient = "program 1.0";
// The longest address sent, in bytes (what mail transports accept).
inline constexpr std::size_t kCddbMaxUserEmail = 254;

// The address a request's hello carries: the user's, without the spaces
// around it, when it is one "@" with text on both sides, free of spaces and
// control characters and at most kCddbMaxUserEmail bytes long; otherwise
// kCddbUserEmail.
[[nodiscard]] std::string CddbHelloEmail(std::string_view userEmail);

// The proxy port of the settings' text: its decimal value, or 80 when the
// text is not a port number.
[[nodiscard]] int CddbProxyPort(std::string_view text);

// Runs the query on a thread of its own from construction on, introducing
// itself with CddbHelloEmail(userEmail). The target must outlive the object.
// Destroying the object (or Abandon) stops a transfer still running at once
// and waits for the thread; after Abandon the worker posts nothing more.
//
// Threads: created and destroyed on the GUI thread; the query runs on the
// worker thread, which only reads its own copies of the arguments.
class TQueryCDDBThread {
public:
    TQueryCDDBThread(MessageTarget& target, std::uint8_t firstTrack, std::uint8_t lastTrack,
                     TCDHandle cdHandle, TQueryCDDB connection, std::string userEmail = {});
    ~TQueryCDDBThread();
    TQueryCDDBThread(const TQueryCDDBThread&) = delete;
    TQueryCDDBThread& operator=(const TQueryCDDBThread&) = delete;

    void Abandon();

private:
    void Execute(std::stop_token stop);
    // Posts the entry; true when it held a title of one of the disc's tracks.
    bool PostEntry(const std::string& entry, std::stop_token stop);
    void PostChanges(const DiscInfo& found, std::stop_token stop);
    void PostChange(std::stop_token stop, TCddbChangeKind kind, std::string text = {},
                    int number = 0);
    void PostNotice(std::stop_token stop, std::int64_t notice, std::int64_t code,
                    std::unique_ptr<TCddbFailure> failure = nullptr);

    MessageTarget& m_target;
    const int m_firstTrack;
    const int m_trackCount;
    const TCDHandle m_cdHandle;
    const TQueryCDDB m_connection;
    const std::string m_userEmail;
    std::jthread m_thread;  // last: starts once the members above are set
};
