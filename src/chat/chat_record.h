#pragma once
#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class BufferEdit;

// A line held back while the user reads older text in the buffer.
struct PendingLine {
    std::wstring text;  // at most 511 characters
    COLORREF colour = 0;
    COLORREF background = 0;
    bool line_break = false;
};

// One chat slot: the server tab (0), a private chat (1..16) or a channel (17..33).
struct ChatRecord {
    int control_id = 0;
    HWND button = nullptr;
    HWND user_list = nullptr;
    unsigned user_list_state = 8;
    bool in_use = false;
    bool is_channel = false;
    bool unread = true;
    bool mention = false;
    bool encrypt_messages = false;
    bool peer_ready = false;
    wchar_t password[64] = {};
    wchar_t peer_ip[20] = {};
    wchar_t user_host[75] = {};
    bool share_ip = false;
    bool filter_users = false;
    int slot = 0;
    std::unique_ptr<BufferEdit> buffer;
    std::wstring name;
    wchar_t topic[400] = {};
    std::vector<std::string> users;
    std::vector<std::string> whois_lines;
    bool has_key = false;
    wchar_t key[64] = {};
    bool secret = false;
    bool is_operator = false;
    bool topic_protected = true;
    bool moderated = false;
    bool show_users_in_out = false;
    bool show_messages = true;
    bool process_links = false;
    bool message_sound = false;
    std::deque<PendingLine> pending_lines;

    ChatRecord();
    ~ChatRecord();
    ChatRecord(const ChatRecord&) = delete;
    ChatRecord& operator=(const ChatRecord&) = delete;
};
