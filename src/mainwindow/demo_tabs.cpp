#include "mainwindow/demo_tabs.h"

#include <cwchar>
#include <mutex>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "mainwindow/main_window.h"

namespace {
enum class DemoTab { none, server, private_chat, channel };
DemoTab requested = DemoTab::none;

constexpr const wchar_t* option = L"--demo-tabs";
constexpr const wchar_t* peer = L"bob_builder";
constexpr const wchar_t* channel = L"#quillmere";
constexpr const wchar_t* channel_users[] = {L"@alice_q", L"+bob_builder", L"carol", L"dave42", L"erin", L"frank_t",
                                            L"grace", L"heidi", L"@ivan", L"judy"};

// The list is opened a moment after start: it closes again whenever the
// window is activated or the focus moves while the program starts up.
constexpr UINT_PTR drop_list_timer = 0x7F11;
constexpr UINT drop_list_delay_ms = 2000;

void CALLBACK drop_user_list(HWND window, UINT, UINT_PTR timer, DWORD) {
    KillTimer(window, timer);
    ChatClient* client = the_client;
    if (!client || !client->current_chat || !client->current_chat->is_channel) return;
    HWND list = client->current_chat->user_list;
    if (!list) return;
    SetFocus(list);
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
}

void line(ChatClient& client, int slot, const wchar_t* nick, const wchar_t* text, COLORREF colour) {
    if (nick) append_chat_text(format_text(L"[%s]", nick).c_str(), client, slot, colour_nick, colour_black, false);
    append_chat_text(text, client, slot, colour, colour_black, true);
}

void fill_server_tab(ChatClient& client) {
    const wchar_t* motd[] = {
        L"Connecting to irc.example.net port 6667 ...",
        L"Connected. Registering as quill_alice (alice).",
        L":irc.example.net 001 quill_alice :Welcome to the Example IRC Network quill_alice",
        L":irc.example.net 375 quill_alice :- irc.example.net Message of the day -",
        L":irc.example.net 372 quill_alice :- Be kind, and keep your passwords to yourself.",
        L":irc.example.net 376 quill_alice :End of MOTD command",
    };
    for (const wchar_t* text : motd) line(client, 0, nullptr, text, colour_server_text);
    client.connection.host = L"irc.example.net";
    client.connection.port = L"6667";
    client.connection.nickname = L"quill_alice";
    client.connection.username = L"alice";
    client.connection.public_ip = L"203.0.113.7";
    SetWindowTextW(client.server_name_edit, L"irc.example.net:6667");
    SetWindowTextW(client.nickname_edit, L"quill_alice (alice)");
    SetWindowTextW(client.my_ip_edit, L"203.0.113.7");
    show_connection_state(client, true);
}

void open_private(ChatClient& client) {
    const int slot = open_private_chat(client, peer, false);
    if (slot <= 0) return;
    ChatRecord& chat = client.chats[slot];
    line(client, slot, peer, L" - Hi Alice, shall we switch to our usual password?", colour_private_message);
    line(client, slot, L"quill_alice", L" - [ENCRYPTED] Done. Sending you the minutes now.", colour_private_message);
    line(client, slot, peer, L" - [DECRYPTED] Got it, thanks!", colour_private_message);
    copy_text(chat.password, L"river-stone-42");
    copy_text(chat.peer_ip, L"198.51.100.23");
    chat.encrypt_messages = true;
    chat.peer_ready = true;
    chat.share_ip = true;
    std::lock_guard<std::mutex> guard(chat.lock);
    chat.whois_lines = {"bob_builder is z-zbob@198.51.100.23 * Bob", "bob_builder on #quillmere",
                        "bob_builder using irc.example.net", "End of /WHOIS list."};
}

void open_channel(ChatClient& client) {
    const int slot = create_chat(client, channel, true);
    if (slot <= 0) return;
    ChatRecord& chat = client.chats[slot];
    line(client, slot, nullptr, format_text(L"********** Channel %s **********\r\n", channel).c_str(),
         colour_channel_message);
    line(client, slot, nullptr, L"Topic: Private conversation over ordinary IRC", colour_channel_message);
    line(client, slot, L"carol", L" - morning all", colour_channel_message);
    line(client, slot, L"dave42", L" - quill_alice: the release notes are up", colour_mention);
    append_chat_text(L"---> ", client, slot, colour_event, colour_black, false);
    append_chat_text(L"[erin]", client, slot, colour_nick, colour_black, true);
    for (const wchar_t* user : channel_users) add_user(client, slot, user);
    chat.has_key = true;
    chat.is_operator = true;
    chat.moderated = true;
}
}  // namespace

void request_demo_tabs(const wchar_t* command_line) {
    const wchar_t* found = command_line ? wcsstr(command_line, option) : nullptr;
    if (!found) return;
    const wchar_t* value = found + wcslen(option);
    if (wcsncmp(value, L"=server", 7) == 0)
        requested = DemoTab::server;
    else if (wcsncmp(value, L"=private", 8) == 0)
        requested = DemoTab::private_chat;
    else
        requested = DemoTab::channel;
}

void start_requested_demo(ChatClient& client) {
    // Run from the message loop, once the window is shown.
    if (requested != DemoTab::none) PostMessageW(client.main_window, WM_COMMAND, command_demo_tabs, 0);
}

void run_demo_tabs(ChatClient& client) {
    if (requested == DemoTab::none) return;
    fill_server_tab(client);
    open_private(client);
    open_channel(client);
    const int private_slot = find_chat(client, peer);
    const int channel_slot = find_chat(client, channel);
    int chosen = channel_slot;
    if (requested == DemoTab::server) chosen = 0;
    if (requested == DemoTab::private_chat) chosen = private_slot;
    if (chosen >= 0) SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(tab_button_id(chosen), BN_CLICKED), 0);
    // Show a mention mark on the channel's tab when it is not the one shown.
    if (channel_slot > 0 && chosen != channel_slot) {
        client.chats[channel_slot].mention = true;
        InvalidateRect(client.chats[channel_slot].button, nullptr, TRUE);
    }
    if (chosen == channel_slot && channel_slot > 0)
        SetTimer(client.main_window, drop_list_timer, drop_list_delay_ms, drop_user_list);
    requested = DemoTab::none;
}
