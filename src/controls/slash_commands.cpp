#include "controls/slash_commands.h"

#include <cwchar>

namespace {

const SlashCommand slash_commands[] = {
    {L"/join", &irc::join_typed, true},   {L"/part", &irc::part, true},     {L"/quit", &irc::quit, false},
    {L"/userip", &irc::userip, true},     {L"/userhost", &irc::userhost, true}, {L"/whois", &irc::whois, true},
    {L"/help", &irc::help, false},        {L"/info", &irc::info, false},    {L"/lusers", &irc::lusers, false},
    {L"/time", &irc::time, false},        {L"/version", &irc::version, false}, {L"/who", &irc::who, true},
    {L"/silence", &irc::silence_list, false},
};

}  // namespace

const SlashCommand* find_slash_command(const wchar_t* line) {
    if (!line) return nullptr;
    for (const SlashCommand& command : slash_commands)
        if (_wcsnicmp(line, command.word, std::wcslen(command.word)) == 0) return &command;
    return nullptr;
}

std::wstring slash_command_argument(const wchar_t* line) {
    const wchar_t* space = line ? std::wcschr(line, L' ') : nullptr;
    return space ? std::wstring(space + 1) : std::wstring();
}

std::wstring format_slash_command(const SlashCommand& command, const wchar_t* line) {
    if (!command.takes_argument) return format_command(*command.format);
    return format_command(*command.format, slash_command_argument(line));
}

std::vector<std::wstring> slash_command_words() {
    std::vector<std::wstring> words;
    for (const SlashCommand& command : slash_commands) words.push_back(command.word);
    return words;
}
