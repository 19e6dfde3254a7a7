#pragma once

class ChatClient;
struct IrcLine;

// The handlers of the command words; each runs on the receive thread with the
// split line. Tokens and trailing texts are read by position (irc_line.h).
void handle_privmsg(ChatClient& client, const IrcLine& line);
void handle_notice(ChatClient& client, const IrcLine& line);
void handle_join(ChatClient& client, const IrcLine& line);
void handle_part(ChatClient& client, const IrcLine& line);
void handle_kick(ChatClient& client, const IrcLine& line);
void handle_mode(ChatClient& client, const IrcLine& line);
void handle_nick(ChatClient& client, const IrcLine& line);
void handle_topic(ChatClient& client, const IrcLine& line);
void handle_quit(ChatClient& client, const IrcLine& line);
void handle_ping(ChatClient& client, const IrcLine& line);
void handle_error(ChatClient& client, const IrcLine& line);
// AWAY and ACCOUNT of other users (away-notify, account-notify).
void handle_away(ChatClient& client, const IrcLine& line);
void handle_account(ChatClient& client, const IrcLine& line);

// Shows the whole line in the server tab as the server sent it.
void show_raw_line(ChatClient& client, const IrcLine& line);
