#include "irc/whois.h"

#include "app/chat_client.h"

// WHOIS replies are not handled yet.
void show_whois(ChatClient&, int) {}
