#include "irc/statistics.h"

#include <windows.h>
#include <commctrl.h>

#include "app/chat_client.h"
#include "app/text.h"

std::wstring statistics_text(const ChatClient& client) {
    return format_text(statistics_format, client.stats_urls.load(), client.stats_mentions.load(),
                       client.stats_chats_accepted.load(), client.stats_chats_refused.load(),
                       client.stats_away_replies.load());
}

void refresh_statistics(ChatClient& client) {
    if (!client.status_bar) return;
    std::wstring text = statistics_text(client);
    SendMessageW(client.status_bar, SB_SETTEXTW, statistics_status_part, reinterpret_cast<LPARAM>(text.c_str()));
}

void count_event(ChatClient& client, std::atomic<unsigned>& counter) {
    ++counter;
    refresh_statistics(client);
}
