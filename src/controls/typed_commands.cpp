#include "controls/typed_commands.h"

#include <cwctype>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/slash_commands.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"

namespace {

// The words after the command: the first and the rest (the rest keeps its
// inner spaces as typed).
struct Arguments {
    std::wstring all, first, rest;
};

Arguments arguments_of(const std::wstring& line) {
    Arguments arguments;
    const size_t space = line.find(L' ');
    if (space == std::wstring::npos) return arguments;
    arguments.all = line.substr(space + 1);
    const size_t begin = arguments.all.find_first_not_of(L' ');
    if (begin == std::wstring::npos) return arguments;
    const size_t gap = arguments.all.find(L' ', begin);
    arguments.first = arguments.all.substr(begin, gap - begin);
    if (gap != std::wstring::npos) arguments.rest = arguments.all.substr(gap + 1);
    return arguments;
}

void show(ChatClient& client, const std::wstring& text, COLORREF colour = colour_error_text,
          COLORREF background = colour_error_back) {
    append_chat_text(text.c_str(), client, client.current_chat->slot, colour, background, true);
}

bool is_channel_name(const std::wstring& name) { return !name.empty() && (name[0] == L'#' || name[0] == L'&'); }

// Sends a formatted line; false (and says why) when it does not fit a line.
template <class... Args>
bool send_typed(ChatClient& client, const CommandFormat& format, const Args&... args) {
    const std::wstring line = format_command(format, args...);
    if (line.empty() || line.size() >= outgoing_line_capacity) {
        show(client, line_too_long_text);
        return false;
    }
    send_line(line.c_str(), client.server_socket);
    return true;
}

InputOutcome sent_or_refused(bool sent) { return sent ? InputOutcome::command_sent : InputOutcome::too_long; }

// The selected channel's name, or empty (after saying so) when none is.
std::wstring selected_channel(ChatClient& client) {
    const ChatRecord& chat = *client.current_chat;
    if (chat.slot > 0 && chat.is_channel) return chat_name(client, chat.slot);
    show(client, not_in_channel_text);
    return {};
}

using Handler = std::optional<InputOutcome> (*)(ChatClient&, const Arguments&);

struct TypedCommand {
    const wchar_t* word;
    const wchar_t* usage;  // shown when a needed argument is missing
    bool needs_first, needs_rest;
    Handler run;
};

std::optional<InputOutcome> me(ChatClient& client, const Arguments& arguments) {
    const int slot = client.current_chat->slot;
    if (slot <= 0) {
        show(client, not_in_chat_text);
        return InputOutcome::invalid_command;
    }
    return send_to_chat(client, slot, arguments.all, true);
}

std::optional<InputOutcome> msg(ChatClient& client, const Arguments& arguments) {
    const std::wstring& target = arguments.first;
    int slot = find_chat(client, target.c_str());
    if (slot <= 0 && !is_channel_name(target)) slot = open_private_chat(client, target.c_str(), false);
    if (slot > 0) return send_to_chat(client, slot, arguments.rest, false);
    // A channel without a tab (or our own nickname): sent, and shown here.
    if (!send_typed(client, irc::privmsg, target, arguments.rest)) return InputOutcome::too_long;
    show(client, format_text(sent_elsewhere_format, target, arguments.rest), colour_white, colour_black);
    return InputOutcome::message_sent;
}

std::optional<InputOutcome> query(ChatClient& client, const Arguments& arguments) {
    const std::wstring& nickname = arguments.first;
    int slot = find_chat(client, nickname.c_str());
    if (slot > 0)
        select_chat(client, slot);
    else if (is_channel_name(nickname) || (slot = open_private_chat(client, nickname.c_str(), true)) <= 0) {
        show(client, format_text(cannot_open_chat_format, nickname));
        return InputOutcome::invalid_command;
    }
    if (arguments.rest.empty()) return InputOutcome::command_sent;
    return send_to_chat(client, slot, arguments.rest, false);
}

std::optional<InputOutcome> notice(ChatClient& client, const Arguments& arguments) {
    if (!send_typed(client, irc::notice, arguments.first, arguments.rest)) return InputOutcome::too_long;
    show(client, format_text(notice_echo_format, arguments.first, arguments.rest), colour_server_text, colour_black);
    return InputOutcome::command_sent;
}

std::optional<InputOutcome> nick(ChatClient& client, const Arguments& arguments) {
    return sent_or_refused(send_typed(client, irc::nick, arguments.first));
}

std::optional<InputOutcome> away(ChatClient& client, const Arguments& arguments) {
    return sent_or_refused(
        send_typed(client, irc::away, arguments.all.empty() ? std::wstring(default_away_text) : arguments.all));
}

std::optional<InputOutcome> back(ChatClient& client, const Arguments&) {
    return sent_or_refused(send_typed(client, irc::back));
}

std::optional<InputOutcome> topic(ChatClient& client, const Arguments& arguments) {
    std::wstring channel = arguments.first, text = arguments.rest;
    if (!is_channel_name(channel)) {
        channel = selected_channel(client);
        if (channel.empty()) return InputOutcome::invalid_command;
        text = arguments.all;
    }
    if (text.empty()) return sent_or_refused(send_typed(client, irc::topic_query, channel));
    return sent_or_refused(send_typed(client, irc::topic, channel, text));
}

std::optional<InputOutcome> part(ChatClient& client, const Arguments& arguments) {
    // "/part #room ..." goes out as typed, as it always has.
    if (is_channel_name(arguments.first)) return std::nullopt;
    const std::wstring channel = selected_channel(client);
    if (channel.empty()) return InputOutcome::invalid_command;
    if (arguments.all.empty()) return sent_or_refused(send_typed(client, irc::part, channel));
    return sent_or_refused(send_typed(client, irc::part_with_reason, channel, arguments.all));
}

std::optional<InputOutcome> quit(ChatClient& client, const Arguments& arguments) {
    if (arguments.all.empty()) return sent_or_refused(send_typed(client, irc::quit));
    return sent_or_refused(send_typed(client, irc::quit_with_reason, arguments.all));
}

std::optional<InputOutcome> ctcp(ChatClient& client, const Arguments& arguments) {
    // The request word is upper case on the wire; its argument stays as typed.
    std::wstring request = arguments.rest;
    for (wchar_t& c : request) {
        if (c == L' ') break;
        c = static_cast<wchar_t>(std::towupper(c));
    }
    if (!send_typed(client, irc::ctcp_request, arguments.first, request)) return InputOutcome::too_long;
    show(client, format_text(ctcp_echo_format, arguments.first, request), colour_server_text, colour_black);
    return InputOutcome::command_sent;
}

std::optional<InputOutcome> raw(ChatClient& client, const Arguments& arguments) {
    return sent_or_refused(send_typed(client, irc::raw, arguments.all));
}

const TypedCommand typed_commands[] = {
    {L"/me", L"/me TEXT", true, false, me},
    {L"/msg", L"/msg NICK TEXT", true, true, msg},
    {L"/query", L"/query NICK [TEXT]", true, false, query},
    {L"/notice", L"/notice TARGET TEXT", true, true, notice},
    {L"/nick", L"/nick NEW", true, false, nick},
    {L"/away", nullptr, false, false, away},
    {L"/back", nullptr, false, false, back},
    {L"/topic", nullptr, false, false, topic},
    {L"/part", nullptr, false, false, part},
    {L"/quit", nullptr, false, false, quit},
    {L"/ctcp", L"/ctcp NICK WHAT", true, true, ctcp},
    {L"/raw", L"/raw LINE", true, false, raw},
    {L"/quote", L"/quote LINE", true, false, raw},
};

}  // namespace

std::wstring command_word(const std::wstring& line) {
    return line.substr(0, line.find(L' '));
}

std::optional<InputOutcome> run_typed_command(ChatClient& client, const std::wstring& line) {
    const std::wstring word = command_word(line);
    for (const TypedCommand& command : typed_commands) {
        if (_wcsicmp(word.c_str(), command.word) != 0) continue;
        const Arguments arguments = arguments_of(line);
        if ((command.needs_first && arguments.first.empty()) || (command.needs_rest && arguments.rest.empty())) {
            show(client, format_text(usage_format, command.usage));
            return InputOutcome::invalid_command;
        }
        return command.run(client, arguments);
    }
    return std::nullopt;
}

std::vector<std::wstring> known_command_words() {
    std::vector<std::wstring> words = slash_command_words();
    for (const TypedCommand& command : typed_commands) words.push_back(command.word);
    return words;
}
