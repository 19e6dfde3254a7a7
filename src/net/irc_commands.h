#pragma once
#include <cstddef>
#include <string>

#include "app/text.h"
#include "net/server_socket.h"

// Every command the program sends, with the longest formatted text it may have
// (wide characters with the terminating zero; 0 = no limit of its own). A line
// that would be longer is refused, not cut: a cut KICK or MODE line would act
// on some other nickname or mask than the one meant.
struct CommandFormat {
    const wchar_t* format;
    size_t limit;
    SendPriority priority = SendPriority::normal;  // where it joins the send queue
};

namespace irc {
constexpr CommandFormat pass{L"PASS %s", 1024};
constexpr CommandFormat pass_trailing{L"PASS :%s", 1024};
constexpr CommandFormat cap_ls{L"CAP LS 302", 0};
constexpr CommandFormat cap_request{L"CAP REQ :%s", 512};
constexpr CommandFormat cap_end{L"CAP END", 0};
constexpr CommandFormat authenticate{L"AUTHENTICATE %s", 512};
constexpr CommandFormat nick{L"NICK %s", 1024};
constexpr CommandFormat user{L"USER %s %s %s :%s", 1024};
constexpr CommandFormat pong{L"PONG %s", 0, SendPriority::ahead};
constexpr CommandFormat quit{L"QUIT", 0, SendPriority::last};
constexpr CommandFormat join_typed{L"JOIN %s", 0};
constexpr CommandFormat join{L"JOIN #%s", 1024};
constexpr CommandFormat join_with_key{L"JOIN #%s %s", 1024};
constexpr CommandFormat part{L"PART %s", 1024};
constexpr CommandFormat kick{L"KICK %s %s", 512};
constexpr CommandFormat ban{L"MODE %s +b %s!*@*", 512};
constexpr CommandFormat mode_with_argument{L"MODE %s %s %s", 512};
constexpr CommandFormat mode_flag{L"MODE %s %s", 512};
constexpr CommandFormat mode_protect_topic{L"MODE %s +t+n", 512, SendPriority::spare};
constexpr CommandFormat mode_query{L"MODE %s", 0, SendPriority::spare};
constexpr CommandFormat topic{L"TOPIC %s :%s", 512};
constexpr CommandFormat privmsg{L"PRIVMSG %s :%s", 0};
constexpr CommandFormat privmsg_tagged{L"PRIVMSG %s :%s%s", 0};
constexpr CommandFormat silence_mask{L"SILENCE %s%s", 0};
constexpr CommandFormat silence_list{L"SILENCE", 0};
constexpr CommandFormat userhost{L"USERHOST %s", 100};
constexpr CommandFormat whois{L"WHOIS %s", 100};
constexpr CommandFormat userip{L"USERIP %s", 0};
constexpr CommandFormat who{L"WHO %s", 0};
constexpr CommandFormat help{L"HELP", 0};
constexpr CommandFormat info{L"INFO", 0};
constexpr CommandFormat lusers{L"LUSERS", 0};
constexpr CommandFormat time{L"TIME", 0};
constexpr CommandFormat version{L"VERSION", 0};
constexpr CommandFormat ison{L"ISON %s", 0};
constexpr CommandFormat list{L"LIST", 0};
// Typed by the user in the input line.
constexpr CommandFormat quit_with_reason{L"QUIT :%s", 0};
constexpr CommandFormat part_with_reason{L"PART %s :%s", 1024};
constexpr CommandFormat topic_query{L"TOPIC %s", 512};
constexpr CommandFormat notice{L"NOTICE %s :%s", 0};
constexpr CommandFormat away{L"AWAY :%s", 0};
constexpr CommandFormat back{L"AWAY", 0};
constexpr CommandFormat raw{L"%s", 0};
// Client-to-client requests and answers travel framed by \x01 inside PRIVMSG
// and NOTICE; an action, encrypted or not, is one such request.
constexpr CommandFormat action{L"PRIVMSG %s :\x01" L"ACTION %s\x01", 0};
constexpr CommandFormat action_tagged{L"PRIVMSG %s :\x01" L"ACTION %s%s\x01", 0};
constexpr CommandFormat ctcp_request{L"PRIVMSG %s :\x01%s\x01", 0};
constexpr CommandFormat ctcp_answer{L"NOTICE %s :\x01%s %s\x01", 0};
constexpr CommandFormat ctcp_bare_answer{L"NOTICE %s :\x01%s\x01", 0};
}  // namespace irc

// The formatted line, or an empty string when it exceeds the format's limit.
template <class... Args>
std::wstring format_command(const CommandFormat& command, const Args&... args) {
    std::wstring line = format_text(command.format, args...);
    if (command.limit && line.size() + 1 > command.limit) return {};
    return line;
}

// Formats and queues; false when the line was refused for its length or the
// connection is not up.
template <class... Args>
bool send_command(ServerSocket& server, const CommandFormat& command, const Args&... args) {
    std::wstring line = format_command(command, args...);
    if (line.empty()) return false;
    return send_line(line.c_str(), server, command.priority) != SOCKET_ERROR;
}
