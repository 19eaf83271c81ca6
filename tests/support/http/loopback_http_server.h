// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct HttpRequest {
    std::string method;
    std::string target;  // as on the request line: a path, or an absolute URL for a proxy
    std::string host;    // the Host header
    std::string head;    // the request line and every header line, each ended by "\r\n"
};

struct HttpReply {
    enum class Kind {
        Complete,  // status, headers with Content-Length, body
        Stall,     // status, headers and body, then nothing until the client leaves
        Flood,     // status, headers, then an endless body
    };
    using Headers = std::vector<std::pair<std::string, std::string>>;

    // Not an aggregate, so that replies written as {kind, status, body} need
    // no headers.
    HttpReply(Kind kind = Kind::Complete, int status = 200, std::string body = {},
              Headers headers = {});

    Kind kind;
    int status;
    std::string body;
    Headers headers;  // sent after the status line; a Content-Type here replaces text/plain
};

// An HTTP server on 127.0.0.1 at a free port, answering one connection at a
// time on a thread of its own with what the handler returns. Every request is
// recorded. Destroying the server ends a stall or flood and joins the thread.
class LoopbackHttpServer {
public:
    using Handler = std::function<HttpReply(const HttpRequest&)>;

    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    [[nodiscard]] int Port() const { return m_port; }
    // "127.0.0.1:<port>"
    [[nodiscard]] std::string Address() const;
    [[nodiscard]] std::vector<HttpRequest> Requests() const;
    // Waits up to timeoutMs for the count-th request; false when it did not come.
    bool WaitForRequests(std::size_t count, int timeoutMs) const;

private:
    void Serve();
    void Answer(int client);
    [[nodiscard]] bool Stopping() const;
    // Waits until the client closes or the server stops.
    void HoldUntilClientLeaves(int client) const;

    Handler m_handler;
    int m_listener = -1;
    int m_stopPipe[2] = {-1, -1};
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::vector<HttpRequest> m_requests;
    std::thread m_thread;
};

// A redirect to location (a URL, or a path on the same server).
[[nodiscard]] HttpReply RedirectTo(std::string location, int status = 302);

// What a forwarding proxy returns for a request with an absolute URL: the
// answer of the origin server at 127.0.0.1:originPort to the URL's path.
[[nodiscard]] HttpReply ForwardToOrigin(const HttpRequest& request, int originPort);
