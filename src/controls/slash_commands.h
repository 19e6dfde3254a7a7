#pragma once
#include <string>
#include <vector>

#include "net/irc_commands.h"

// A slash command of the input line and the IRC line it becomes.
struct SlashCommand {
    const wchar_t* word;            // as typed, with the slash
    const CommandFormat* format;    // from the outgoing command table
    bool takes_argument;            // the text after the first space fills %s
};

// The command whose word begins `line` (letter case ignored), trying the words
// in their fixed order so that "/whois" is found before "/who"; any longer word
// starting with a command word counts as that command ("/versions" is
// "/version"). nullptr when none matches.
const SlashCommand* find_slash_command(const wchar_t* line);

// Everything after the first space of the line, further spaces included; empty
// when the line has no space.
std::wstring slash_command_argument(const wchar_t* line);

// The IRC line for a slash command line, or empty when its format refuses the
// length (see format_command).
std::wstring format_slash_command(const SlashCommand& command, const wchar_t* line);

// The words of the fixed command table, in its order.
std::vector<std::wstring> slash_command_words();
