#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/limits.h"

class ChatClient;

// The callback message of the tray icon that carries mention notices.
constexpr UINT msg_mention_icon = WM_APP + 2;

// At most one notice per chat per interval: a burst of mentions in one chat
// gives the first its notice, and the rest none until the interval is over.
class NoticeGate {
public:
    using Clock = std::function<ULONGLONG()>;  // milliseconds
    explicit NoticeGate(Clock clock = GetTickCount64, ULONGLONG interval_ms = 10000)
        : clock_(std::move(clock)), interval_(interval_ms) {}
    // Whether a notice for the chat (slot and generation) may show now; if
    // so, it counts as shown.
    bool admit(int slot, unsigned generation);

private:
    struct Last {
        bool shown = false;
        unsigned generation = 0;
        ULONGLONG at = 0;
    };
    Clock clock_;
    ULONGLONG interval_;
    Last last_[chat_slot_count];
};

struct MentionNotice {
    int slot = 0;
    unsigned generation = 0;
    std::wstring chat, sender, text;
};

// Any thread. A line that mentions the user (or a private message) reached a
// chat. When the main window is not in front, its taskbar button flashes until
// it comes to the front, and (unless the user turned notices off) a notice
// shows the chat, the sender and the start of the text.
void notify_mention(ChatClient& client, MentionNotice notice);
// Notices asked for since the program started, shown or not (tests).
unsigned long mention_notices_asked();

// The same on the user-interface thread, through `gate`, with whether the
// window is in front given; true when a notice was shown.
bool show_mention(ChatClient& client, const MentionNotice& notice, NoticeGate& gate, bool window_in_front);

// The icon's callback message: a click on the notice brings its chat to the front.
void mention_icon_event(ChatClient& client, LPARAM event);
// Takes the icon away (at shutdown).
void remove_mention_icon(ChatClient& client);
