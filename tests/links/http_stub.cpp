#include "http_stub.h"

#include <algorithm>

#include "app/text.h"
#include "support/loopback.h"

HttpStub::HttpStub(std::map<std::string, std::string> files, std::vector<std::string> stalled)
    : files_(std::move(files)), stalled_(std::move(stalled)) {
    listener_ = listen_on_loopback(64, port_);
    thread_ = std::thread([this] { serve(); });
}

HttpStub::~HttpStub() {
    stop();
}

void HttpStub::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (SOCKET held : held_) closesocket(held);
    held_.clear();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    listener_ = INVALID_SOCKET;
}

std::wstring HttpStub::url(const std::string& path) const {
    return format_text(L"http://127.0.0.1:%d", static_cast<int>(port_)) + wide_text(path, CP_ACP);
}

void HttpStub::serve() {
    while (!stop_) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(listener_, &set);
        timeval tv{0, 50000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client != INVALID_SOCKET) answer(client);
    }
}

void HttpStub::answer(SOCKET client) {
    std::string request;
    char chunk[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int n = recv(client, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        request.append(chunk, n);
    }
    // "GET /path HTTP/1.1": the path as sent, query and all.
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    if (std::find(stalled_.begin(), stalled_.end(), path) != stalled_.end()) {
        held_.push_back(client);
        ++stalled_requests_;
        return;
    }
    const auto file = files_.find(path);
    std::string body = file == files_.end() ? "not here" : file->second;
    std::string status = file == files_.end() ? "HTTP/1.1 404 Not Found" : "HTTP/1.1 200 OK";
    if (body.rfind("=> ", 0) == 0) {
        status = "HTTP/1.1 302 Found\r\nLocation: " + body.substr(3);
        body.clear();
    }
    const std::string reply = status + "\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body;
    send(client, reply.data(), static_cast<int>(reply.size()), 0);
    shutdown(client, SD_SEND);
    closesocket(client);
}
