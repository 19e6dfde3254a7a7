#pragma once
// Helpers shared by the connection, numeric-reply and end-to-end tests
// (header-only: each test folder is its own executable).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "support/box_recorder.h"
#include "support/file_bytes.h"
#include "support/loopback.h"
#include "support/test_client.h"
#include "support/window_probe.h"

namespace net_test {

using ::status_text;
using ::wait_until;
using ::window_text;

// The slot's text as shown, with the lines still held back.
inline std::wstring chat_text(ChatClient& client, int slot) {
    const ChatRecord& chat = client.chats[slot];
    std::wstring text;
    if (chat.buffer && chat.buffer->window) text = window_text(chat.buffer->window);
    for (const PendingLine& line : chat.pending_lines) text += line.text + L"\r\n";
    return text;
}

inline bool contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// A fresh program folder with its Settings\ and Downloads\ folders.
inline std::wstring use_fresh_folder(ChatClient& client, const wchar_t* tag, bool with_downloads = true) {
    // Process ids repeat from one run to the next under Wine: the tag is made
    // unique so that no earlier run's files are found.
    static int serial = 0;
    const std::wstring unique_tag = format_text(L"%s-%d-%d", tag, static_cast<int>(GetTickCount()), ++serial);
    std::wstring folder = make_temp_folder(unique_tag.c_str());
    CreateDirectoryW((folder + L"Settings").c_str(), nullptr);
    if (with_downloads) CreateDirectoryW((folder + L"Downloads").c_str(), nullptr);
    copy_text(client.app_folder, folder.c_str());
    return folder;
}

inline bool file_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The next line the far end received, while this thread keeps running the
// work the receive thread hands it (a line shown in a chat waits for that).
inline std::string next_line(LoopbackServer& server, int timeout_ms = 10000) {
    std::string line;
    wait_until([&] {
        line = server.receive_line(5);
        return !line.empty();
    }, timeout_ms);
    return line;
}

inline bool closed_by_client(LoopbackServer& server, int timeout_ms = 10000) {
    return wait_until([&] { return server.wait_closed(5); }, timeout_ms);
}

// A listening socket on 127.0.0.1 with a port of at most four digits, as a
// stored server or the connect dialog can hold; INVALID_SOCKET when none is free.
inline SOCKET listen_on_short_port(unsigned short& port) {
    for (unsigned short candidate = 9999; candidate >= 7000; --candidate) {
        SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(candidate);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && listen(listener, 4) == 0) {
            port = candidate;
            return listener;
        }
        closesocket(listener);
    }
    return INVALID_SOCKET;
}

using ::BoxRecorder;

// A web server of one answer on 127.0.0.1, standing for the public-IP echo
// service: it accepts one request on its own thread and answers it.
class OneShotHttpServer {
public:
    explicit OneShotHttpServer(std::string answer) : answer_(std::move(answer)) {
        thread_ = std::thread([this] {
            if (!server_.accept_client(10000)) return;
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                std::string line = server_.receive_line(5000);
                if (line.empty()) break;
                request += line + "\r\n";
            }
            request_ = request;
            server_.send_bytes(answer_);
            server_.close_client();
        });
    }
    ~OneShotHttpServer() {
        if (thread_.joinable()) thread_.join();
    }
    std::wstring url() const { return format_text(L"http://127.0.0.1:%d/", static_cast<int>(server_.port())); }
    const std::string& request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

private:
    LoopbackServer server_;
    std::string answer_;
    std::string request_;
    std::thread thread_;
};

}  // namespace net_test
