#pragma once
// The numeric replies, grouped by what they fill; handle_numeric routes each
// numeric here. All run on the receive thread.

class ChatClient;
struct IrcLine;

// numeric_registration.cpp
void handle_welcome(ChatClient& client, const IrcLine& line);  // 001

// numeric_whois.cpp
void handle_whois_line(ChatClient& client, const IrcLine& line);  // 301, 311, ... 671
void handle_whois_end(ChatClient& client, const IrcLine& line);   // 318

// numeric_users.cpp
void handle_userhost_reply(ChatClient& client, const IrcLine& line);  // 302
void handle_ison_reply(ChatClient& client, const IrcLine& line);      // 303
void handle_userip_reply(ChatClient& client, const IrcLine& line);    // 340

// numeric_channels.cpp
void handle_channel_modes(ChatClient& client, const IrcLine& line);  // 324
void handle_channel_topic(ChatClient& client, const IrcLine& line);  // 332
void handle_names_reply(ChatClient& client, const IrcLine& line);    // 353

// numeric_list_rows.cpp
void handle_list_row(ChatClient& client, const IrcLine& line);  // 322
void handle_list_end(ChatClient& client, const IrcLine& line);  // 323

// numeric_errors.cpp: the error replies; false when `numeric` is none of them.
bool handle_error_reply(ChatClient& client, const IrcLine& line, int numeric);
