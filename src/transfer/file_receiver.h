#pragma once

class ChatClient;

// Starts or stops the listener for incoming encrypted files (port 8087).
void set_file_receiver_running(ChatClient& client, bool running);
