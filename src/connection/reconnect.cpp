#include "connection/reconnect.h"

#include <windows.h>

#include <mutex>
#include <random>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"
#include "chat/user_list.h"
#include "connection/connection_start.h"
#include "connection/receive_loop.h"
#include "connection/reconnect_texts.h"
#include "connection/reconnect_waits.h"
#include "irc/nickname_fallback.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "net/session.h"
#include "resources/resource_ids.h"

namespace {
// Timer ids of the main window; 1 and 2 are the favourites check and Disconnect.
constexpr UINT_PTR wait_timer_id = 0x5257;
constexpr UINT_PTR watch_timer_id = 0x5258;
// How often an attempt's connection is looked at until it has registered.
constexpr UINT watch_period_ms = 100;

// User-interface thread only.
struct Reconnect {
    ChatClient* client = nullptr;
    ConnectRequest request;
    bool have_request = false;
    bool in_attempt = false;      // connect_and_start called from here
    unsigned attempt = 0;         // attempts since the last connection that registered
    bool waiting = false;
    bool refused = false;         // the user ended `refused_session`
    unsigned refused_session = 0;
    unsigned watched_session = 0; // an attempt's connection, until it registers
    unsigned first_ms = first_reconnect_wait_ms;
    unsigned longest_ms = longest_reconnect_wait_ms;
    std::mt19937 random{static_cast<unsigned>(GetTickCount64() ^ GetCurrentProcessId())};
};
Reconnect state;

bool registered(const ChatClient& client) {
    const unsigned opened = client.server_socket.opened;
    return opened != 0 && client.server_socket.registered == opened;
}

void stop_timers(ChatClient& client) {
    if (client.main_window) {
        KillTimer(client.main_window, wait_timer_id);
        KillTimer(client.main_window, watch_timer_id);
    }
    state.waiting = false;
    state.watched_session = 0;
}

// The channel tabs stay for the rejoin; who was in them is no longer known.
void keep_tabs(ChatClient& client) {
    for (int slot = first_channel_slot; slot <= last_channel_slot; ++slot) {
        ChatRecord& chat = client.chats[slot];
        if (!chat.in_use || chat.closing) continue;
        {
            std::lock_guard<std::mutex> guard(chat.lock);
            chat.users.clear();
        }
        refresh_user_list(client, slot);
    }
    show_connection_state(client, false);
    // Connect is offered again: choosing it ends the series (commands).
    set_menu_item_enabled(client, IDM_CONNECT, true);
    if (client.menu) DrawMenuBar(client.main_window);
}

std::wstring without_mark(std::wstring channel) {
    if (!channel.empty() && channel[0] == L'#') channel.erase(0, 1);
    return channel;
}

std::wstring favourite_key(const ChatClient& client, const std::wstring& channel) {
    for (int number = 1; number <= favorite_channel_count; ++number) {
        const FavoriteChannel& favourite = client.favorite_channels[number];
        if (favourite.name[0] && without_mark(favourite.name) == channel) return favourite.password;
    }
    return L"";
}

// In the tabs that stayed: the JOIN that comes back finds its chat open.
void rejoin_channels(ChatClient& client) {
    int count = 0;
    for (int slot = first_channel_slot; slot <= last_channel_slot; ++slot) {
        ChatRecord& chat = client.chats[slot];
        if (!chat.in_use || chat.closing || !chat.is_channel) continue;
        const std::wstring channel = without_mark(chat_name(client, slot));
        if (channel.empty()) continue;
        const std::wstring key = chat.has_key && chat.key[0] ? std::wstring(chat.key) : favourite_key(client, channel);
        if (key.empty())
            send_command(client.server_socket, irc::join, channel);
        else
            send_command(client.server_socket, irc::join_with_key, channel, key);
        ++count;
    }
    if (count > 0) append_server_line(client, format_text(reconnect_text::rejoining_format, count));
}

void CALLBACK watch_tick(HWND window, UINT, UINT_PTR, DWORD) {
    if (!state.client) return;
    ChatClient& client = *state.client;
    // The attempt connects on the receive thread: until it has, nothing is up.
    // Replaced, or lost (its thread ended): the loss report carries on from here.
    if (current_session() != state.watched_session ||
        (!client.server_socket.connected && !receive_thread_running())) {
        KillTimer(window, watch_timer_id);
        state.watched_session = 0;
        return;
    }
    if (!registered(client)) return;
    KillTimer(window, watch_timer_id);
    state.watched_session = 0;
    state.attempt = 0;
    rejoin_channels(client);
}

void schedule_attempt(ChatClient& client);

void start_attempt(ChatClient& client) {
    if (!client.auto_reconnect || !state.have_request) return;
    offer_alternative_nicknames(client.server_socket.opened + 1);
    state.in_attempt = true;
    ConnectRequest request = state.request;
    request.user_started = false;
    const bool started = connect_and_start(client, request);
    state.in_attempt = false;
    // A connect that fails later ends like a lost connection, and its loss
    // report schedules the next attempt.
    if (!started) {
        schedule_attempt(client);
        return;
    }
    state.watched_session = current_session();
    SetTimer(client.main_window, watch_timer_id, watch_period_ms, watch_tick);
}

void CALLBACK wait_tick(HWND window, UINT, UINT_PTR, DWORD) {
    KillTimer(window, wait_timer_id);
    if (!state.waiting || !state.client) return;
    state.waiting = false;
    start_attempt(*state.client);
}

void schedule_attempt(ChatClient& client) {
    ++state.attempt;
    std::uniform_real_distribution<double> spread(0.0, 1.0);
    const unsigned wait = reconnect_wait_ms(state.attempt, spread(state.random), state.first_ms, state.longest_ms);
    const unsigned seconds = (wait + 999) / 1000;
    append_server_line(client, format_text(reconnect_text::waiting_format, seconds, state.attempt));
    state.client = &client;
    state.waiting = SetTimer(client.main_window, wait_timer_id, wait, wait_tick) != 0;
}

void connection_lost(ChatClient& client, unsigned session) {
    if (session != current_session() || !reconnect_follows(client)) return;
    if (registered(client)) state.attempt = 0;
    stop_timers(client);
    keep_tabs(client);
    schedule_attempt(client);
}
}  // namespace

void remember_connect_request(const ChatClient& client, const ConnectRequest& request) {
    state.request = request;
    state.have_request = true;
    if (state.in_attempt) return;
    // Someone else's connection: whatever series was running is over, and a
    // failed attempt's alternative nicknames are not this connection's.
    offer_alternative_nicknames(0);
    if (client.main_window) {
        KillTimer(client.main_window, wait_timer_id);
        KillTimer(client.main_window, watch_timer_id);
    }
    state.waiting = false;
    state.watched_session = 0;
    state.attempt = 0;
    state.refused = false;
}

void report_connection_lost(ChatClient& client, unsigned session) {
    // `always`: the one task per connection must not be lost in a flood's
    // dropped work; it checks its session itself.
    post_ui_task(client, [&client, session] { connection_lost(client, session); }, TaskKind::always);
}

bool reconnect_follows(const ChatClient& client) {
    if (!client.auto_reconnect || !state.have_request || !client.main_window) return false;
    if (state.refused && state.refused_session == current_session()) return false;
    return registered(client) || state.attempt > 0;
}

bool cancel_reconnect(ChatClient& client) {
    const bool series = state.waiting || state.attempt > 0;
    stop_timers(client);
    state.attempt = 0;
    return series;
}

void refuse_reconnect(ChatClient& client) {
    cancel_reconnect(client);
    state.refused = true;
    state.refused_session = current_session();
}

bool reconnect_waiting() {
    return state.waiting;
}

unsigned reconnect_attempt() {
    return state.attempt;
}

void set_reconnect_waits(unsigned first_ms, unsigned longest_ms) {
    state.first_ms = first_ms ? first_ms : first_reconnect_wait_ms;
    state.longest_ms = longest_ms ? longest_ms : longest_reconnect_wait_ms;
}
