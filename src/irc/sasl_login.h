#pragma once
#include <string>
#include <vector>

class ChatClient;
struct IrcLine;

// The account login (SASL) during capability negotiation.

// Called when the server's capability list is complete: true when the login
// is to be asked for (the user set one up, the server offers it and the
// connection may carry it). Otherwise says why not in the server tab and,
// when the login is required, ends the connection.
bool prepare_login(ChatClient& client);

// The server agreed to "sasl": names the mechanism. False when no login is set up.
bool start_login(ChatClient& client);

// "AUTHENTICATE <payload>": a challenge, in pieces of 400 characters.
void handle_authenticate(ChatClient& client, const IrcLine& line);

// Numerics 900 to 908; false for any other numeric.
bool handle_login_numeric(ChatClient& client, const IrcLine& line, int numeric);

// The account's PLAIN message ("\0account\0password", UTF-8) in Base64, cut
// into the pieces AUTHENTICATE carries (the last one "+" when the one before
// filled its 400 characters).
std::vector<std::wstring> authenticate_pieces(const std::string& message);
