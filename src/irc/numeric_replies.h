#pragma once

class ChatClient;
struct IrcLine;

// A line whose token 1 is all digits (possibly empty: value 0). Unknown
// numerics are shown whole in the server tab.
void handle_numeric(ChatClient& client, const IrcLine& line, int numeric);
