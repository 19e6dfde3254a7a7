#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "chat/channel_users.h"
#include "chat/format_runs.h"

class BufferEdit;

// A line held back while the user reads older text in the buffer.
struct PendingLine {
    std::wstring text;  // at most 511 characters
    COLORREF colour = 0;
    COLORREF background = 0;
    bool line_break = false;
    std::vector<FormatRun> runs;  // the sender's formatting, if any
    // When the server said the line (ms since 1970 UTC), 0 = when it arrived.
    long long server_time = 0;
    // When it was handed over for the chat (ms since 1970 UTC), 0 = when written.
    long long arrived = 0;
};

constexpr size_t pending_text_limit = 511;

// One chat slot: the server tab (0), a private chat (1..16) or a channel (17..33).
//
// Sharing between threads (see chat/chat_tabs.cpp for the whole picture):
// - windows, `buffer`, `pending_lines`, `button`, `user_list` and the counts
//   are touched only on the user-interface thread; other threads hand their
//   appends and setters over to it;
// - `lock` guards `name`, `users` and `whois_lines`: the receive thread changes
//   the lists while the user-interface thread reads them. Hold it only to copy
//   or change those (and the switches below); never while sending a window
//   message or creating, showing or filling a window (copy the list out first,
//   then fill the control);
// - `in_use`, `unread`, `mention`, `selected`, `is_channel` and
//   `show_messages` are atomic: they are set on one thread and read on the
//   other; `show_users_in_out`, `process_links` and `message_sound` are set and
//   read by other threads under `lock`. So the receive thread can look a chat
//   up without waiting for the user-interface thread (irc/chat_view.cpp).
struct ChatRecord {
    int control_id = 0;
    HWND button = nullptr;
    HWND user_list = nullptr;
    unsigned user_list_state = 8;
    std::atomic<bool> in_use{false};
    // Being closed: out of the look-ups while its windows wait to be destroyed.
    std::atomic<bool> closing{false};
    // A rebuild of the user list is on its way to the user-interface thread.
    std::atomic<bool> user_list_refresh_pending{false};
    // Counts the chats the slot has held: lines queued for an earlier one are
    // dropped rather than shown in its successor.
    std::atomic<unsigned> generation{0};
    std::atomic<bool> is_channel{false};
    std::atomic<bool> unread{true};
    // The chat shown in the window (mirrors ChatClient::current_chat, which
    // only the user-interface thread may read).
    std::atomic<bool> selected{false};
    std::atomic<bool> mention{false};
    bool encrypt_messages = false;
    bool peer_ready = false;
    wchar_t password[64] = {};
    wchar_t peer_ip[20] = {};
    wchar_t user_host[75] = {};
    std::atomic<bool> share_ip{false};  // read by the receive thread
    bool filter_users = false;
    int slot = 0;
    std::unique_ptr<BufferEdit> buffer;
    std::wstring name;
    wchar_t topic[400] = {};
    ChannelUsers users;
    std::vector<std::string> whois_lines;  // UTF-8
    bool has_key = false;
    wchar_t key[64] = {};
    bool secret = false;
    bool is_operator = false;
    bool topic_protected = true;
    bool moderated = false;
    // Read by the message handlers on the receive thread: set under `lock`.
    bool show_users_in_out = false;
    std::atomic<bool> show_messages{true};
    bool process_links = false;
    bool message_sound = false;
    std::deque<PendingLine> pending_lines;
    // The last piece written (or held back) did not end its line: the next
    // one goes on it, without a time in front.
    bool mid_line = false;

    // Guards name, users and whois_lines (see above).
    mutable std::mutex lock;

    ChatRecord();
    ~ChatRecord();
    ChatRecord(const ChatRecord&) = delete;
    ChatRecord& operator=(const ChatRecord&) = delete;
};

// Puts every field back to the value a fresh chat starts with; the name is
// emptied and the windows are left alone (the caller has destroyed them).
void reset_chat_record(ChatRecord& chat, int slot);
