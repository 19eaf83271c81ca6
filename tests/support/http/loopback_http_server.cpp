// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/http/loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int LoopbackSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool SendAll(int socket, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(socket, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    const std::size_t at = head.find("\r\n" + name + ":");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = head.find_first_not_of(' ', at + name.size() + 3);
    return head.substr(start, head.find("\r\n", start) - start);
}

std::string StatusHead(const HttpReply& reply, bool withLength) {
    std::string head = "HTTP/1.0 " + std::to_string(reply.status) + " Answer\r\n";
    bool typed = false;
    for (const auto& [name, value] : reply.headers) {
        head += name + ": " + value + "\r\n";
        typed = typed || name == "Content-Type";
    }
    if (!typed) {
        head += "Content-Type: text/plain\r\n";
    }
    head += "Connection: close\r\n";
    if (withLength) {
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    }
    return head + "\r\n";
}

}  // namespace

HttpReply::HttpReply(Kind kind, int status, std::string body, Headers headers)
    : kind(kind), status(status), body(std::move(body)), headers(std::move(headers)) {}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_listener = LoopbackSocket();
    const int yes = 1;
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listener, 8) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    close(m_stopPipe[1]);
    m_thread.join();
    close(m_stopPipe[0]);
    close(m_listener);
}

std::string LoopbackHttpServer::Address() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<HttpRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

bool LoopbackHttpServer::WaitForRequests(std::size_t count, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Requests().size() < count) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool LoopbackHttpServer::Stopping() const {
    pollfd stop{m_stopPipe[0], POLLIN, 0};
    return poll(&stop, 1, 0) > 0;
}

void LoopbackHttpServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || fds[1].revents != 0) {
            return;
        }
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Answer(client);
            close(client);
        }
    }
}

void LoopbackHttpServer::HoldUntilClientLeaves(int client) const {
    pollfd fds[2] = {{client, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    char scratch[256];
    while (poll(fds, 2, -1) > 0 && fds[1].revents == 0) {
        if (recv(client, scratch, sizeof scratch, 0) <= 0) {
            return;
        }
    }
}

void LoopbackHttpServer::Answer(int client) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd fds[2] = {{client, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || fds[1].revents != 0) {
            return;
        }
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    HttpRequest request;
    const std::size_t space1 = head.find(' ');
    const std::size_t space2 = head.find(' ', space1 + 1);
    request.method = head.substr(0, space1);
    request.target = head.substr(space1 + 1, space2 - space1 - 1);
    request.host = HeaderValue(head, "Host");
    request.head = head.substr(0, head.find("\r\n\r\n") + 2);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    const HttpReply reply = m_handler(request);
    switch (reply.kind) {
        case HttpReply::Kind::Complete:
            SendAll(client, StatusHead(reply, true) + reply.body);
            break;
        case HttpReply::Kind::Stall:
            if (SendAll(client, StatusHead(reply, false) + reply.body)) {
                HoldUntilClientLeaves(client);
            }
            break;
        case HttpReply::Kind::Flood: {
            const std::string chunk(64 * 1024, 'x');
            if (SendAll(client, StatusHead(reply, false))) {
                while (!Stopping() && SendAll(client, chunk)) {
                }
            }
            break;
        }
    }
}

HttpReply RedirectTo(std::string location, int status) {
    return {HttpReply::Kind::Complete, status, "", {{"Location", std::move(location)}}};
}

HttpReply ForwardToOrigin(const HttpRequest& request, int originPort) {
    HttpReply reply;
    reply.status = 502;
    const std::size_t hostStart = request.target.find("://");
    const std::size_t pathStart = hostStart == std::string::npos
                                      ? std::string::npos
                                      : request.target.find('/', hostStart + 3);
    if (pathStart == std::string::npos) {
        return reply;
    }
    const int origin = LoopbackSocket();
    const sockaddr_in address = LoopbackAddress(originPort);
    if (connect(origin, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !SendAll(origin, "GET " + request.target.substr(pathStart) +
                             " HTTP/1.0\r\nHost: " + request.host + "\r\n\r\n")) {
        close(origin);
        return reply;
    }
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = recv(origin, buffer, sizeof buffer, 0)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    close(origin);
    const std::size_t bodyStart = answer.find("\r\n\r\n");
    if (answer.size() < 12 || bodyStart == std::string::npos) {
        return reply;
    }
    reply.status = std::stoi(answer.substr(9, 3));
    reply.body = answer.substr(bodyStart + 4);
    return reply;
}
