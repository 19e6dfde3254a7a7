#include "transfer/ip_sharing.h"

#include <cwchar>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "net/host_port.h"
#include "net/irc_commands.h"
#include "transfer/public_ip.h"

namespace {
constexpr const wchar_t* request_tag = ip_request_tag;
constexpr const wchar_t* answer_tag = L"[ZOVUIP01]";
constexpr size_t tag_length = 10;
// An answer must carry more than a few characters after its tag; a shorter
// one is an ordinary message that merely starts like an answer.
constexpr size_t shortest_answer = 15;
constexpr size_t answer_address_limit = 1023;

constexpr const wchar_t* server_format = L"%s:%s";
constexpr const wchar_t* nickname_format = L"%s (%s)";
constexpr size_t server_text_limit = 73;
constexpr size_t nickname_text_limit = 50;

bool begins_with_tag(const wchar_t* text, const wchar_t* tag) {
    return wcsncmp(text, tag, tag_length) == 0;
}

void set_text(HWND control, const std::wstring& text) {
    if (control) SetWindowTextW(control, text.c_str());
}

std::wstring cut_to(std::wstring text, size_t limit) {
    if (text.size() > limit) text.resize(limit);
    return text;
}

bool window_has_text(HWND control) {
    return control && GetWindowTextLengthW(control) > 0;
}
}  // namespace

void update_send_file_button(ChatClient& client) {
    if (!client.send_file_button) return;
    const ChatRecord* chat = client.current_chat;
    const bool ready = chat && chat->in_use && chat->password[0] && chat->peer_ip[0] && chat->peer_ready &&
                       window_has_text(client.file_path_edit);
    EnableWindow(client.send_file_button, ready ? TRUE : FALSE);
}

void show_identification(ChatClient& client, bool clear) {
    if (clear) {
        for (HWND control : {client.server_name_edit, client.nickname_edit, client.my_ip_edit}) set_text(control, L"");
        return;
    }
    const ConnectionParams& connection = client.connection;
    set_text(client.server_name_edit,
             cut_to(format_text(server_format, host_for_display(connection.host), connection.port), server_text_limit));
    set_text(client.nickname_edit,
             cut_to(format_text(nickname_format, connection.nickname, connection.username), nickname_text_limit));
    set_text(client.my_ip_edit, connection.public_ip);
}

bool handle_ip_sharing_tag(ChatClient& client, int slot, unsigned generation, const wchar_t* sender,
                           const wchar_t* text) {
    if (!text || !sender) return false;
    if (begins_with_tag(text, request_tag)) {
        // Read here without waiting for the window: the switch is atomic, and
        // the generation read after it tells that it was this chat's.
        bool share = false;
        if (slot > 0 && slot < chat_slot_count) {
            const ChatRecord& chat = client.chats[slot];
            share = chat.in_use && chat.share_ip && chat.generation == generation;
        }
        // The answer goes to whoever asked, also when the request came through a channel.
        if (share)
            send_command(client.server_socket, irc::privmsg_tagged, sender, answer_tag,
                         client.connection.public_ip.get());
        return true;
    }
    if (begins_with_tag(text, answer_tag) && wcslen(text) >= shortest_answer) {
        std::wstring address(text + tag_length, wcsnlen(text + tag_length, answer_address_limit));
        if (address.size() > address_limit) address.resize(address_limit);
        set_peer_ip(client, slot, generation, address.c_str());
        return true;
    }
    return false;
}
