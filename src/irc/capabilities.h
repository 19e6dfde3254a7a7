#pragma once
#include <string>
#include <vector>

class ChatClient;
struct IrcLine;

// The capabilities the program uses, asked for when the server offers them.
// echo-message is not among them: the program shows its own lines as it sends
// them (encrypted ones in the clear), so an echo would show them twice.
std::vector<std::wstring> wanted_capabilities(const std::vector<std::wstring>& offered, bool with_login);

// Registration begins: CAP LS 302 (before NICK and USER, which follow it).
void begin_capability_negotiation(ChatClient& client);
// Ends the negotiation (CAP END) unless it has ended already.
void end_capability_negotiation(ChatClient& client);

// "CAP * LS/ACK/NAK/NEW/DEL ..." from the server.
void handle_cap(ChatClient& client, const IrcLine& line);

// A server that does not know CAP answers it with 421: registration goes on
// without capabilities. False for any other reply.
bool handle_unknown_cap(ChatClient& client, const IrcLine& line, int numeric);
