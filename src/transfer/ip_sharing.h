#pragma once

class ChatClient;

// Enables "Send encrypted file" when the selected private chat has a password,
// a peer address, a compatible peer and a file chosen.
void update_send_file_button(ChatClient& client);

// Fills (or, with `clear`, empties) the identification box of the server tab.
void show_identification(ChatClient& client, bool clear);
