#pragma once

class ChatClient;

// The banner above the input line says at a glance how typed lines leave:
// under the chat's password in the compatible format, or sealed while a
// session with the selected chat's correspondent holds.

// User-interface thread: the banner's words for the selected chat now.
void show_sealed_standing(ChatClient& client);

// Any thread (a session was made, or keys were wiped): the same, handed to
// the user-interface thread; it runs for a replaced connection too.
void post_sealed_standing(ChatClient& client);
