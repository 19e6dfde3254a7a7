#pragma once

class ChatClient;

// Shows the slot's collected WHOIS lines in the user-info box. User-interface
// thread (the receive thread hands the end of a WHOIS over).
void show_whois(ChatClient& client, int slot);

// The most WHOIS lines a chat keeps; older ones give way to newer ones.
constexpr unsigned whois_line_limit = 256;
