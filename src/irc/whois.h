#pragma once

class ChatClient;

// Shows the slot's collected WHOIS lines in the user-info box.
void show_whois(ChatClient& client, int slot);
