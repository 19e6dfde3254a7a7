#include "transfer/ip_sharing.h"

#include "app/chat_client.h"

void update_send_file_button(ChatClient& client) {
    // Sending files is not built yet, so the button stays disabled.
    if (client.send_file_button) EnableWindow(client.send_file_button, FALSE);
}

void show_identification(ChatClient&, bool) {}

bool lookup_public_ip(ChatClient&) { return false; }

bool handle_ip_sharing_tag(ChatClient&, int, const wchar_t*, const wchar_t*) { return false; }
