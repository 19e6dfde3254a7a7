// What other threads hand to the interface thread: it runs in order, only for
// the chat and the connection it was meant for, and never through a wake-up
// mistaken for something else.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat/ui_thread.h"
#include "chat_fixture.h"
#include "controls/buffer_edit.h"
#include "net/session.h"
#include "support/test_client.h"

namespace {

using Handover = ChatTest;

// Runs `work` on another thread and waits for it without running any of what
// it hands over.
template <class Work>
void on_other_thread(Work work) {
    std::thread other(work);
    other.join();
}

// A setter or line queued for the chat a look-up saw lands only if the slot
// still holds that chat when the interface thread gets to it.
TEST_F(Handover, WorkForAChatWhoseSlotWasReusedIsDropped) {
    for (const bool reused : {false, true}) {
        SCOPED_TRACE(reused ? "slot reused" : "same chat");
        const int slot = open_private_chat(client, L"first", false);
        ASSERT_GT(slot, 0);
        const unsigned seen = client.chats[slot].generation;
        if (reused) {
            close_chat(client, L"first");
            ASSERT_EQ(open_private_chat(client, L"second", false), slot);
        }
        on_other_thread([&] {
            set_peer_ip(client, slot, seen, L"192.0.2.9");
            set_user_host(client, slot, seen, L"z-zpeer@example");
            append_chat_line(client, slot, seen, {PendingLine{L"for first", colour_private_message, colour_black, true}});
        });
        flush_chat_appends(client);
        const ChatRecord& chat = client.chats[slot];
        EXPECT_EQ(std::wstring(chat.peer_ip), reused ? L"" : L"192.0.2.9");
        EXPECT_EQ(std::wstring(chat.user_host), reused ? L"" : L"z-zpeer@example");
        EXPECT_EQ(buffer_text(slot).find(L"for first") != std::wstring::npos, !reused);
        close_every_chat(client);
    }
}

// Once a new connection has begun, nothing the old one's threads hand over
// acts any more; work of the current one, or of no connection, does.
TEST_F(Handover, WorkOfAReplacedSessionIsDropped) {
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced" : "current");
        const unsigned session = begin_session();
        bool ran = false;
        std::atomic<bool> bound{false}, may_post{false};
        std::thread old_thread([&] {
            bind_thread_to_session(session);
            bound = true;
            while (!may_post) Sleep(1);
            post_ui_task(client, [&] { ran = true; });
            append_chat_text(L"late line", client, 0, colour_server_text, colour_black, true);
        });
        while (!bound) Sleep(1);
        if (replaced) begin_session();
        may_post = true;
        old_thread.join();
        flush_chat_appends(client);
        EXPECT_EQ(ran, !replaced);
        EXPECT_EQ(buffer_text(0).find(L"late line") != std::wstring::npos, !replaced);
        clear_chat(client, 0);
    }
}

// A task sent by another thread may run a modal loop (a box, a dialog); a
// wake-up posted meanwhile is dispatched inside it, while the thread is still
// within the sent message. It must run the queue, not be taken for a task.
TEST_F(Handover, AWakeUpInsideAModalLoopRunsTheQueue) {
    bool ran = false;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        run_on_ui_thread(client, [&] {
            on_other_thread([&] { post_ui_task(client, [&] { ran = true; }); });
            const DWORD give_up = GetTickCount() + 5000;
            while (!ran && GetTickCount() < give_up) {
                pump_messages();
                Sleep(1);
            }
        });
        done = true;
    });
    while (!done) {
        pump_messages();
        Sleep(1);
    }
    sender.join();
    EXPECT_TRUE(ran);
}

}  // namespace
