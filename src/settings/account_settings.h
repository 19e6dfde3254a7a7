#pragma once
#include "irc/server_account.h"

class ChatClient;

// The server password and account login of stored server `number` (1 to 15),
// or of the last connection (0: the "_default" keys). A password stored in
// plain text (written by hand) is used and stored protected at once; one
// protected for another user or machine reads as missing, with
// `password_unreadable` set so the user is asked for it again.
struct StoredAccount {
    ServerAccount account;
    bool password_unreadable = false;
};
StoredAccount read_server_account(const ChatClient& client, int number);

// Writes them back, the passwords protected. An account with no login and no
// server password leaves a file without these keys as it was.
void write_server_account(const ChatClient& client, int number, const ServerAccount& account);
