#include "irc/whois.h"

#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"

void show_whois(ChatClient& client, int slot) {
    if (slot < 0 || slot >= chat_slot_count || !client.user_info_edit) return;
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> guard(client.chats[slot].lock);
        lines = client.chats[slot].whois_lines;
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    // The window is filled outside the lock: SetWindowText is a message.
    SetWindowTextW(client.user_info_edit, text_from_utf8(text).c_str());
}
