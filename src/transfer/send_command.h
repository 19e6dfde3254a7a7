#pragma once

class ChatClient;

// The "..." button: the open-file dialog; the chosen path goes into
// file_path_edit and the send button is brought up to date.
void choose_file_to_send(ChatClient& client);

// The "Send encrypted file" button, on the user-interface thread: checks the
// file, the peer's address and the password (a box for the first that is
// missing), opens the file, and hands the encryption and sending to a thread
// of its own, so the window never waits for a large file.
void send_encrypted_file(ChatClient& client);
