// Opening private chats and asking the server to join channels, on any thread
// and without waiting for the user-interface thread: the slot is taken at once
// and the windows follow there (see chat_tabs.cpp).

#include <cwchar>
#include <string>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "chat/ui_post.h"

namespace {
constexpr const char* chats_limit_title = "Chats limit";
constexpr const char* chats_limit_text = "You can't open more private chats.";
constexpr const wchar_t* channels_limit_text = L"You can't open more channels.";
constexpr const wchar_t* channels_limit_caption = L"Channels limit";
constexpr const wchar_t* private_banner = L"********** Private chat with [ %s ] **********\r\n";
constexpr const wchar_t* bad_channel_text = L"Channel name or key not valid: %s";

// Characters that would let a channel name or key spill into another word or
// another command on the wire.
constexpr const wchar_t* name_separators = L" ,\r\n\a";
constexpr const wchar_t* key_separators = L" \r\n";

// Posted even on the user-interface thread: a task joining the favourite
// channels must not hold the hand-over queue while the box is open.
void show_channels_limit(ChatClient& client) {
    post_message_box(client.main_window, channels_limit_text, channels_limit_caption, MB_OK);
}

void join_here(wchar_t* channel, ChatClient& client, const wchar_t* key) {
    if (!channel || !*channel) return;
    const std::wstring with_mark = channel[0] == L'#' ? std::wstring(channel) : L"#" + std::wstring(channel);
    if (find_chat(client, with_mark.c_str()) > 0) return;
    if (channel[0] == L'#') wmemmove(channel, channel + 1, wcslen(channel));
    if (!client.server_socket.connected) return;
    if (client.channel_count > max_channels - 1) {
        show_channels_limit(client);
        return;
    }
    if (!key) key = L"";
    if (!*channel || wcspbrk(channel, name_separators) || wcspbrk(key, key_separators)) {
        append_chat_text(format_text(bad_channel_text, with_mark).c_str(), client, 0, colour_error_text,
                         colour_error_back, true);
        return;
    }
    if (*key)
        send_command(client.server_socket, irc::join_with_key, channel, key);
    else
        send_command(client.server_socket, irc::join, channel);
}
}  // namespace

int open_private_chat(ChatClient& client, const wchar_t* nickname, bool select) {
    if (!nickname || !*nickname) return -1;
    if (client.private_chat_count > max_private_chats) {
        show_status_notice(chats_limit_title, chats_limit_text);
        return -1;
    }
    if (client.connection.nickname == nickname || find_chat(client, nickname) >= 0) return -1;
    unsigned generation = 0;
    const int slot = create_chat(client, nickname, false, &generation);
    if (slot <= 0) return -1;
    if (select)
        post_chat_task(
            client, slot, generation,
            [&client](ChatRecord& chat) {
                SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(chat.control_id + 1, BN_CLICKED), 0);
            },
            TaskKind::always);
    append_chat_line(client, slot, generation,
                     {PendingLine{format_text(private_banner, nickname), colour_private_message, colour_black, true}});
    return slot;
}

void request_join(wchar_t* channel, ChatClient& client, const wchar_t* key) {
    join_here(channel, client, key);
}
