#pragma once

class ChatClient;
struct IrcLine;

// A line whose token 1 is all digits (possibly empty: value 0). Unknown
// numerics are shown whole in the server tab.
void handle_numeric(ChatClient& client, const IrcLine& line, int numeric);

// Registration complete (376 or 422): the public address, connected menus and
// image, the connection saved as the default, identification, the favourites
// timer and the auto-join of favourite channels. Receive thread.
void on_registered(ChatClient& client);

// After an ISON reply: tells the user whether favourite nicknames are online.
void favorites_online_notice(ChatClient& client, int count);
