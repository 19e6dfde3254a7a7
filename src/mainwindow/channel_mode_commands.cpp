// The channel menu's mode commands. They change no flag here: the server's
// MODE echo does that, so the window never shows a mode the server refused.

#include <cstring>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/silence.h"
#include "framework/message_box.h"
#include "mainwindow/chat_command_parts.h"
#include "mainwindow/command_texts.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"

namespace {
// The password stored for the channel among the favourites (name without its
// leading "#", letter case ignored), or empty.
std::wstring stored_channel_password(const ChatClient& client, const std::wstring& channel) {
    if (channel.size() < 2) return {};
    const std::wstring bare = channel.substr(1);
    for (int index = 1; index <= favorite_channel_count; ++index) {
        const FavoriteChannel& favourite = client.favorite_channels[index];
        if (favourite.password[0] && equal_ignoring_case(favourite.name, bare)) return favourite.password;
    }
    return {};
}

void send_flag(ChatClient& client, const std::wstring& channel, const wchar_t* flag) {
    send_command(client.server_socket, irc::mode_flag, channel, flag);
}

void show_notice(const command_text::Notice& notice) {
    show_status_notice(notice.title, notice.text);
}
}  // namespace

void set_channel_password(ChatClient& client, ChatRecord& channel, bool on) {
    const std::wstring name = chat_name(client, channel.slot);
    const std::wstring password = stored_channel_password(client, name);
    if (password.empty()) {
        show_message_box(client.main_window, command_text::password_missing_text,
                         command_text::password_missing_caption, MB_OK | MB_ICONWARNING);
        return;
    }
    send_command(client.server_socket, irc::mode_with_argument, name, on ? L"+k" : L"-k", password);
    const command_text::Notice& notice = on ? command_text::password_on : command_text::password_off;
    show_wide_notice(notice.title, wide_text(notice.text, strlen(notice.text), CP_THREAD_ACP) + password);
}

void set_channel_secret(ChatClient& client, ChatRecord& channel, bool on) {
    const std::wstring name = chat_name(client, channel.slot);
    send_flag(client, name, on ? L"+s" : L"-s");
    send_flag(client, name, on ? L"+p" : L"-p");
    show_notice(on ? command_text::secret_on : command_text::secret_off);
}

void set_channel_moderated(ChatClient& client, ChatRecord& channel, bool on) {
    send_flag(client, chat_name(client, channel.slot), on ? L"+m" : L"-m");
    show_notice(on ? command_text::moderated_on : command_text::moderated_off);
}

void show_wide_notice(const char* title, const std::wstring& text) {
    show_status_notice(title, text);
}
