// JOIN and PART: the user's own open and close the channel tab; other users'
// change the channel's user list.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "irc/chat_view.h"
#include "irc/command_handlers.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "net/irc_commands.h"

namespace {
constexpr wchar_t channel_banner[] = L"********** Channel %s **********\r\n";
constexpr wchar_t joined_arrow[] = L"---> ";
constexpr wchar_t parted_arrow[] = L"<--- ";

// Token 2 without the ':' some servers put in front of it.
std::wstring channel_of(const IrcLine& line) {
    const std::wstring& token = line.token(2);
    std::wstring channel = !token.empty() && token[0] == L':' ? token.substr(1) : token;
    return cut_text(channel, channel_name_capacity - 1);
}
}  // namespace

void handle_join(ChatClient& client, const IrcLine& line) {
    std::wstring sender;
    if (!line_sender_nickname(line, sender)) return;
    std::wstring channel = channel_of(line);
    if (channel.empty()) return;

    if (is_own_nickname(client, sender.c_str())) {
        // The slot is taken here; its windows are made (and selected) on the
        // user-interface thread without this thread waiting for them.
        create_chat(client, channel.c_str(), true);
        ChatView chat = view_chat(client, channel);
        if (chat.found())
            append_line(client, chat.slot, chat.generation,
                        {{format_text(channel_banner, channel), colour_channel_message}});
        send_command(client.server_socket, irc::mode_query, channel);
        return;
    }

    ChatView chat = view_chat(client, channel);
    if (!chat.found() || !chat.is_channel) return;
    add_joined_user(client, chat.slot, sender.c_str());
    if (chat.show_users_in_out)
        append_line(client, chat.slot, chat.generation, {{joined_arrow, colour_event}, {bracketed(sender), colour_nick}});
}

void handle_part(ChatClient& client, const IrcLine& line) {
    std::wstring sender;
    if (!line_sender_nickname(line, sender)) return;
    std::wstring channel = channel_of(line);
    ChatView chat = view_chat(client, channel);
    if (!chat.found() || !chat.is_channel) return;

    if (is_own_nickname(client, sender.c_str())) {
        close_chat(client, channel.c_str());
        return;
    }
    if (remove_user(sender.c_str(), client, chat.slot) && chat.show_users_in_out)
        append_line(client, chat.slot, chat.generation, {{parted_arrow, colour_event}, {bracketed(sender), colour_nick}});
}
