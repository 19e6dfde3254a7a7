#include "irc/statistics.h"

#include <windows.h>
#include <commctrl.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/ui_thread.h"

std::wstring statistics_text(const ChatClient& client) {
    return format_text(statistics_format, client.stats_urls.load(), client.stats_mentions.load(),
                       client.stats_chats_accepted.load(), client.stats_chats_refused.load(),
                       client.stats_away_replies.load());
}

namespace {
// One refresh on its way at a time: it shows the counters as they are when
// it runs, so a burst of events costs one write.
std::atomic<bool> refresh_on_its_way{false};

void write_statistics(ChatClient& client) {
    if (!client.status_bar) return;
    std::wstring text = statistics_text(client);
    SendMessageW(client.status_bar, SB_SETTEXTW, statistics_status_part, reinterpret_cast<LPARAM>(text.c_str()));
}
}  // namespace

void refresh_statistics(ChatClient& client) {
    if (on_ui_thread(client)) {
        write_statistics(client);
        return;
    }
    if (refresh_on_its_way.exchange(true)) return;
    post_ui_task(
        client,
        [&client] {
            refresh_on_its_way = false;
            write_statistics(client);
        },
        TaskKind::always);
}

void count_event(ChatClient& client, std::atomic<unsigned>& counter) {
    ++counter;
    refresh_statistics(client);
}
