// What other threads hand to the interface thread: it runs in order, only for
// the chat and the connection it was meant for, and never through a wake-up
// mistaken for something else.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/text.h"
#include "chat/append_queue.h"
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

// Once a new connection has begun, no task the old one's threads hand over
// acts any more; tasks of the current one, or of no connection, do. Text
// already received is shown either way (the server's parting ERROR, a
// backlog): only tasks belong to a connection.
TEST_F(Handover, TasksOfAReplacedSessionAreDroppedButItsTextIsShown) {
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
        EXPECT_NE(buffer_text(0).find(L"late line"), std::wstring::npos);
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
            wait_until([&] { return ran; });
        });
        done = true;
    });
    // The queue is not run here afterwards: only the loop inside may run it.
    EXPECT_TRUE(wait_until([&] { return done.load(); }, 60000)) << "the sent task never returned";
    sender.join();
    EXPECT_TRUE(ran);
}

// The clock of the queue's runs, replaced for one test: `step` seconds pass
// at every look.
double clock_now = 0, clock_step = 0;
double test_clock() {
    return clock_now += clock_step;
}
class QueueClock {
public:
    explicit QueueClock(double step) {
        clock_now = 0;
        clock_step = step;
        set_queue_clock(test_clock);
    }
    ~QueueClock() { set_queue_clock(nullptr); }
};

// Takes back the wake-ups other threads posted: a run of the queue that
// happens after this was scheduled by the queue's own runs.
void take_back_wake_ups(ChatClient& client) {
    MSG msg;
    while (PeekMessageW(&msg, client.main_window, msg_run_on_ui_thread, msg_run_on_ui_thread, PM_REMOVE)) {
    }
}

bool queue_empties_by_itself() {
    return wait_until([] { return queued_work_count() == 0; }, 60000);
}

// Line numbers of a flooded chat's text, in buffer order.
std::vector<int> line_numbers(const std::wstring& text) {
    std::vector<int> numbers;
    for (size_t at = 0; at < text.size(); at = text.find(L"\r\n", at) + 2) {
        numbers.push_back(_wtoi(text.c_str() + at));
        if (text.find(L"\r\n", at) == std::wstring::npos) break;
    }
    return numbers;
}

// A flood of several chats is queued when the user acts in another one: the
// action runs the tasks queued before it and its own chat's text; the timer
// does the rest in order.
TEST_F(Handover, AUserActionRunsItsTasksAndItsChatAndLeavesTheRestToTheTimer) {
    write_out_queue(client);
    QueueClock frozen(0);  // only the amounts of text limit the runs here
    constexpr int flooded = 6, lines = 500;
    std::vector<int> slots;
    for (int n = 0; n < flooded; ++n) slots.push_back(create_chat(client, format_text(L"#flood%d", n).c_str(), true));
    const int reader = open_private_chat(client, L"reader", false);
    ASSERT_GT(reader, 0);
    const std::wstring filler(40, L'.');
    bool task_ran = false;
    on_other_thread([&] {
        for (int line = 0; line < lines; ++line) {
            for (int slot : slots)
                append_chat_text(format_text(L"%d %s", line, filler).c_str(), client, slot, colour_channel_message,
                                 colour_black, true);
            if (line % 100 == 99)
                append_chat_text(format_text(L"read %d", line / 100).c_str(), client, reader, colour_private_message,
                                 colour_black, true);
        }
        post_ui_task(client, [&] { task_ran = true; });
    });
    take_back_wake_ups(client);

    EXPECT_TRUE(flush_chat_appends(client, reader));
    EXPECT_TRUE(task_ran);
    EXPECT_GT(queued_work_count(), 0u) << "the flooded chats' text waits for the timer";
    EXPECT_EQ(client.chats[reader].pending_lines.size(), 0u);
    const std::wstring read = buffer_text(reader);
    for (int n = 0; n < 5; ++n) EXPECT_NE(read.find(format_text(L"read %d", n)), std::wstring::npos) << n;

    ASSERT_TRUE(queue_empties_by_itself());
    std::vector<int> all(lines);
    for (int n = 0; n < lines; ++n) all[n] = n;
    for (int slot : slots) EXPECT_EQ(line_numbers(buffer_text(slot)), all) << slot;
}

// However long a piece of work takes (one rebuild of a long user list), the
// timer looks at its clock before the next, and so does a user's action; the
// further runs of an action that used up its time leave everything to the
// timer.
TEST_F(Handover, RunsLookAtTheirClockBeforeEachPieceOfWork) {
    write_out_queue(client);
    int ran = 0;
    on_other_thread([&] {
        for (int n = 0; n < 10; ++n) post_ui_task(client, [&] { ++ran; });
    });
    QueueClock racing(1);
    drain_chat_queue(client);
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(flush_chat_appends(client));
    EXPECT_EQ(ran, 2);
    clock_step = 0;  // the same action goes on
    EXPECT_FALSE(flush_chat_appends(client));
    bool own_ran = false;
    post_ui_task(client, [&] { own_ran = true; });
    EXPECT_EQ(ran, 2);
    EXPECT_FALSE(own_ran) << "it waits behind the work queued before it";
    clock_now += 1;  // a later action
    EXPECT_TRUE(flush_chat_appends(client));
    EXPECT_EQ(ran, 10);
    EXPECT_TRUE(own_ran);
}

// A hostile server's replies that each leave a task (list rows, repeated ends
// of the welcome text) stop at a cap, counted, while tasks that must run stay.
TEST_F(Handover, TasksBeyondTheirCapAreDroppedAndCounted) {
    write_out_queue(client);
    size_t ran = 0;
    bool must_run = false;
    on_other_thread([&] {
        for (size_t n = 0; n < queued_task_cap + 500; ++n) post_ui_task(client, [&] { ++ran; });
        post_ui_task(client, [&] { must_run = true; }, TaskKind::always);
    });
    EXPECT_EQ(queued_work_count(), queued_task_cap + 1);
    write_out_queue(client);
    EXPECT_EQ(ran, queued_task_cap);
    EXPECT_TRUE(must_run);
    EXPECT_NE(buffer_text(0).find(L"500 replies of the server were not acted on"), std::wstring::npos);
}

// While a flood's text for one chat grows in the queue, the timer holds off,
// half a second at most at a time, so that the lines a whole scrollback of
// newer text would cut are never written; it writes as soon as the text stops
// growing or the receiving side has read all of it. A user's action writes
// its chat's text at once, but none of a flood the timer is holding (it would
// go into a control the flood's next text replaces).
TEST_F(Handover, TheTimerHoldsOffWhileAFloodGrowsAndWritesWhenItStops) {
    write_out_queue(client);
    QueueClock frozen(0);
    const int flooded = create_chat(client, L"#held", true);
    ASSERT_GT(flooded, 0);
    write_out_queue(client);
    const std::wstring filler(90, L'.');
    int sent = 0;
    auto send = [&](int lines) {
        on_other_thread([&] {
            for (int n = 0; n < lines; ++n, ++sent)
                append_chat_text(format_text(L"%d %s", sent, filler).c_str(), client, flooded,
                                 colour_channel_message, colour_black, true);
        });
        take_back_wake_ups(client);
    };
    // Whether a timer run took anything from the queue.
    auto timer_wrote = [&] {
        const size_t before = queued_work_count();
        drain_chat_queue(client);
        return queued_work_count() < before;
    };

    send(600);  // about 56,000 characters
    EXPECT_FALSE(timer_wrote());
    send(100);
    EXPECT_FALSE(timer_wrote());
    EXPECT_TRUE(timer_wrote()) << "the flood stopped growing";
    send(600);
    const size_t waiting = queued_work_count();
    flush_chat_appends(client, flooded);
    EXPECT_LT(queued_work_count(), waiting) << "a user's action is not held";
    write_out_queue(client);

    send(600);
    EXPECT_FALSE(timer_wrote());
    send(100);
    on_other_thread([&] { note_receiving_paused(client); });
    take_back_wake_ups(client);
    EXPECT_TRUE(timer_wrote()) << "the receiving side read all the flood brought";
    write_out_queue(client);

    send(600);
    EXPECT_FALSE(timer_wrote());
    const size_t held = queued_work_count();
    clock_now += 0.2;  // past the pause after the last action's run; still held
    EXPECT_FALSE(flush_chat_appends(client, flooded));
    EXPECT_EQ(queued_work_count(), held) << "a held flood is not written for a user's action";
    clock_now += 0.6;
    send(10);
    EXPECT_TRUE(timer_wrote()) << "held long enough";
    write_out_queue(client);
    std::vector<int> all(sent);
    for (int n = 0; n < sent; ++n) all[n] = n;
    const std::wstring text = buffer_text(flooded);
    EXPECT_EQ(line_numbers(text.substr(text.find(L"\r\n0 ") + 2)), all);
}

}  // namespace
