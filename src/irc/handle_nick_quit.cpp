// NICK and QUIT: a user's change of name or departure reaches every channel
// that lists the user, and a private chat with a user who quit is told so.

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/palette.h"
#include "chat/user_list.h"
#include "irc/chat_view.h"
#include "irc/command_handlers.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "net/session.h"

namespace {
constexpr wchar_t renamed_arrow[] = L" C--> ";
constexpr wchar_t quit_arrow[] = L"<<<-- ";
constexpr wchar_t quit_nickname_format[] = L"[%s] ";
constexpr wchar_t disconnected_text[] = L" disconnected from the IRC server";
}  // namespace

void handle_nick(ChatClient& client, const IrcLine& line) {
    std::wstring old_name;
    if (!line_sender_nickname(line, old_name)) return;
    // Most servers send ":new", some the bare name; only the colon is dropped.
    const std::wstring& token = line.token(2);
    std::wstring new_name = cut_text(!token.empty() && token[0] == L':' ? token.substr(1) : token,
                                     sender_nickname_limit);
    if (new_name.empty()) return;
    // Our own new name, whether asked for or forced by the server: the lines
    // we send are relayed under it from now on, and long messages are split
    // to fit it.
    if (is_own_nickname(client, old_name.c_str()) && !session_is_replaced(thread_session()))
        client.connection.nickname = cut_text(new_name, own_nickname_limit(client));
    for (const ChatView& chat : view_open_chats(client)) {
        if (!chat.is_channel || !rename_user(old_name.c_str(), new_name.c_str(), client, chat.slot)) continue;
        append_line(client, chat.slot, chat.generation,
                    {{bracketed(old_name), colour_nick}, {renamed_arrow, colour_event}, {bracketed(new_name), colour_nick}});
    }
}

void handle_quit(ChatClient& client, const IrcLine& line) {
    std::wstring nickname;
    if (!line_sender_nickname(line, nickname)) return;
    for (const ChatView& chat : view_open_chats(client)) {
        if (chat.is_channel) {
            if (remove_user(nickname.c_str(), client, chat.slot) && chat.show_users_in_out)
                append_line(client, chat.slot, chat.generation, {{quit_arrow, colour_event}, {bracketed(nickname), colour_nick}});
        } else if (chat.name == nickname) {
            append_line(client, chat.slot, chat.generation,
                        {{format_text(quit_nickname_format, nickname), colour_nick},
                         {disconnected_text, colour_error_text, colour_error_back}});
        }
    }
}
