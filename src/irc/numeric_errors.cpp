// Error replies: shown in the chat they concern, in the server tab, or in a box.

#include <atomic>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "irc/chat_view.h"
#include "irc/handler_support.h"
#include "irc/irc_line.h"
#include "irc/nickname_fallback.h"
#include "irc/numeric_handlers.h"
#include "net/server_socket.h"
#include "chat/ui_post.h"

namespace {
// Errors about a chat, shown in it when it is open; `format` takes token
// `argument_token` when it has a %s.
struct ChatError {
    int numeric;
    size_t chat_token;
    const wchar_t* format;
    size_t argument_token;
};
constexpr ChatError chat_errors[] = {
    {401, 3, L"This user is no longer online", 0},
    {404, 3, L"You can't send messages to channel, is moderated", 0},
    {441, 4, L"User [%s] is not in this channel", 3},
    {716, 3, L"This user doesn't accept messages", 0},
};

// Errors that end the connection before it is of any use.
struct ConnectionError {
    int numeric;
    const wchar_t* text;
};
constexpr ConnectionError connection_errors[] = {
    {432, L"Invalid Nickname"},
    {433, L"Nickname is already in use"},
};

struct BoxError {
    int numeric;
    const wchar_t* text;
    const wchar_t* caption;
};
constexpr BoxError box_errors[] = {
    {437, L"Channel is temporarily unavailable", L"Channel unavailable."},
    {474, L"Cannot join channel.\nYou're banned in this channel.", L"Banned"},
    {475, L"Cannot join channel.\nPassword required to enter this channel.", L"Password required"},
    {477, L"Cannot join channel.\nRegistered nickname required to enter this channel.", L"Registered nickname"},
    {482, L"You're not channel operator.\nYou need to be an operator (@) of the channel to perform this action.",
     L"Operator privileges required"},
};

constexpr int nickname_in_use_numeric = 433;
constexpr size_t refused_nickname_token = 3;

constexpr int registered_only_numeric = 486;
constexpr const wchar_t* registered_only_text = L"This user only accepts private chats from registered users";

void show_error_line(ChatClient& client, int slot, unsigned generation, const std::wstring& text) {
    append_line(client, slot, generation, {{text, colour_error_text, colour_error_back}});
}

void show_server_error_line(ChatClient& client, const std::wstring& text) {
    append_chat_text(text.c_str(), client, 0, colour_error_text, colour_error_back, true);
}

// A server may send these replies by the thousand: one box at a time, the
// rest as lines in the server tab (on one line each).
std::atomic<bool> box_open{false};

void show_error_box(ChatClient& client, const BoxError& error) {
    if (box_open.exchange(true)) {
        std::wstring text = error.text;
        for (wchar_t& c : text)
            if (c == L'\n') c = L' ';
        show_server_error_line(client, text);
        return;
    }
    // Shown without holding up the receive thread: a server drops a client
    // that stops reading while the user has not yet closed the box.
    post_message_box(client.main_window, error.text, error.caption, MB_OK | MB_ICONWARNING,
                     [] { box_open = false; });
}
}  // namespace

bool handle_error_reply(ChatClient& client, const IrcLine& line, int numeric) {
    for (const ChatError& error : chat_errors) {
        if (error.numeric != numeric) continue;
        const ChatView chat = view_chat(client, line.token(error.chat_token));
        if (chat.found())
            show_error_line(client, chat.slot, chat.generation, format_text(error.format, line.token(error.argument_token)));
        return true;
    }
    for (const ConnectionError& error : connection_errors) {
        if (error.numeric != numeric) continue;
        show_server_error_line(client, error.text);
        if (numeric == nickname_in_use_numeric && try_alternative_nickname(client, line.token(refused_nickname_token)))
            return true;
        close_connection(client.server_socket);
        return true;
    }
    for (const BoxError& error : box_errors) {
        if (error.numeric != numeric) continue;
        show_error_box(client, error);
        return true;
    }
    if (numeric == registered_only_numeric) {
        const int slot = selected_slot(client);
        if (slot >= 1) show_error_line(client, slot, client.chats[slot].generation, registered_only_text);
        return true;
    }
    return false;
}
