// The hand-over queue under pressure: its caps, the time-sliced run that puts
// back what it could not finish, and lines of several pieces that must stay
// whole while other threads write into the same chat.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/text.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "support/test_client.h"

namespace {

using QueueGuard = ChatTest;

PendingLine piece(const std::wstring& text, bool line_break) {
    return {text, colour_channel_message, colour_black, line_break};
}

bool contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

// Past the cap, a line is dropped whole (even when some of its pieces would
// fit) and counted, and so are droppable tasks; `keep` and `always` tasks
// still run.
TEST_F(QueueGuard, OverTheCapTextAndDroppableTasksGoCountedAndOtherTasksStay) {
    write_out_queue(client);
    unsigned flood_generation = 0;
    const int flood = create_chat(client, L"#flood", true, &flood_generation);
    ASSERT_GT(flood, 0);
    write_out_queue(client);
    bool kept_ran = false, always_ran = false, droppable_ran = false;
    std::thread([&] {
        for (size_t n = 1; n < queued_work_cap; ++n)
            append_chat_text(L"x", client, flood, colour_channel_message, colour_black, true);
        append_chat_line(client, 0, {piece(L"three ", false), piece(L"piece ", false), piece(L"line", true)});
        append_chat_line(client, 0, {piece(L"last line that fits", true)});
        post_ui_task(client, [&] { droppable_ran = true; }, TaskKind::droppable);
        post_ui_task(client, [&] { kept_ran = true; });
        post_ui_task(client, [&] { always_ran = true; }, TaskKind::always);
    }).join();
    EXPECT_EQ(queued_work_count(), queued_work_cap + 2);

    drop_queued_text(client, flood, flood_generation);  // writing the flood would only take time
    write_out_queue(client);
    EXPECT_FALSE(droppable_ran);
    EXPECT_TRUE(kept_ran);
    EXPECT_TRUE(always_ran);
    const std::wstring server = buffer_text(0);
    EXPECT_TRUE(contains(server, L"last line that fits"));
    EXPECT_FALSE(contains(server, L"three") || contains(server, L"piece ")) << "all pieces or none";
    EXPECT_TRUE(contains(server, L"3 pieces of text were not shown")) << server;
    clear_chat(client, 0);
}

// Text handed over while a line of the server is handled carries the time
// the server gave that line; a piece with a time of its own keeps it.
TEST_F(QueueGuard, QueuedTextCarriesTheTimeOfTheLineBeingHandled) {
    write_out_queue(client);
    std::thread([&] {
        LineTimeScope line_time(1796694099855LL);
        PendingLine own_time = piece(L"own", true);
        own_time.server_time = 42;
        append_chat_line(client, 0, {piece(L"played ", false), piece(L"back", true), own_time});
    }).join();
    std::thread([&] { append_chat_line(client, 0, {piece(L"live", true)}); }).join();
    DroppedWork dropped;
    const std::vector<QueuedWork> work = take_queued_work(dropped, 10);
    std::vector<long long> times;
    for (const QueuedWork& entry : work) times.push_back(entry.piece.server_time);
    EXPECT_EQ(times, (std::vector<long long>{1796694099855LL, 1796694099855LL, 42, 0}));
}

// The runs' clock, replaced: `clock_step` seconds pass at every look.
double clock_now = 0, clock_step = 0;
double stepping_clock() {
    return clock_now += clock_step;
}

// A timer run that runs out of time puts the rest back in front of what other
// threads queued meanwhile: lines and tasks keep their order, and each task
// finds the text queued before it written.
TEST_F(QueueGuard, ATimedOutRunPutsItsRestBackInFrontOfWhatCameMeanwhile) {
    write_out_queue(client);
    const int slot = create_chat(client, L"#sliced", true);
    ASSERT_GT(slot, 0);
    write_out_queue(client);
    std::vector<std::wstring> seen;  // by each task: the chat's text when it ran
    auto queue_lines = [&](const wchar_t* tag, int count) {
        std::thread([&, tag, count] {
            for (int n = 0; n < count; ++n) {
                append_chat_text(format_text(L"%s%d", tag, n).c_str(), client, slot, colour_channel_message,
                                 colour_black, true);
                post_ui_task(client, [&] { seen.push_back(buffer_text(slot)); });
            }
        }).join();
    };
    // The run's first piece of work; while it runs, another thread queues more.
    std::thread([&] { post_ui_task(client, [&] { queue_lines(L"b", 1); }); }).join();
    queue_lines(L"a", 5);
    clock_now = 0;
    clock_step = 1;
    set_queue_clock(stepping_clock);
    drain_chat_queue(client);
    set_queue_clock(nullptr);
    EXPECT_EQ(queued_work_count(), 12u) << "one piece of work per look at a racing clock";
    EXPECT_TRUE(seen.empty());

    write_out_queue(client);
    const std::vector<std::wstring> expected = {
        L"a0\r\n",
        L"a0\r\na1\r\n",
        L"a0\r\na1\r\na2\r\n",
        L"a0\r\na1\r\na2\r\na3\r\n",
        L"a0\r\na1\r\na2\r\na3\r\na4\r\n",
        L"a0\r\na1\r\na2\r\na3\r\na4\r\nb0\r\n",
    };
    EXPECT_EQ(seen, expected);
}

// Two threads and the interface thread write lines of three pieces into one
// chat while the timer writes the queue out: no piece of one line comes
// between those of another.
TEST_F(QueueGuard, LinesOfSeveralPiecesStayWholeAcrossThreads) {
    const int slot = create_chat(client, L"#pieces", true);
    ASSERT_GT(slot, 0);
    write_out_queue(client);
    auto write_line = [&](wchar_t writer, int n) {
        const std::wstring tag = writer + std::to_wstring(n);
        append_chat_line(client, slot, {piece(tag + L"<", false), piece(tag + L"=", false), piece(tag + L">", true)});
    };
    // The other threads pace themselves to go on for as long as this one writes.
    std::atomic<bool> own_done{false};
    int written[3] = {0, 0, 300};
    std::vector<std::thread> writers;
    for (const int writer : {0, 1})
        writers.emplace_back([&, writer] {
            for (int& n = written[writer]; !own_done && n < 4000; ++n) {
                write_line(writer ? L'q' : L'p', n);
                if (n % 10 == 9) Sleep(1);
            }
        });
    for (int n = 0; n < written[2]; ++n) {
        write_line(L'u', n);
        pump_messages();
    }
    own_done = true;
    for (std::thread& writer : writers) writer.join();
    write_out_queue(client);
    append_chat_text(L"", client, slot, 0, 0, false);  // releases lines held back

    const std::wstring text = buffer_text(slot);
    int next[3] = {0, 0, 0};  // each writer's lines arrive whole and in order
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find(L"\r\n", at);
        ASSERT_NE(end, std::wstring::npos);
        const std::wstring line = text.substr(at, end - at);
        const int writer = line.empty() ? -1 : line[0] == L'p' ? 0 : line[0] == L'q' ? 1 : line[0] == L'u' ? 2 : -1;
        ASSERT_GE(writer, 0) << line;
        const std::wstring tag = line[0] + std::to_wstring(next[writer]++);
        ASSERT_EQ(line, tag + L"<" + tag + L"=" + tag + L">");
        at = end + 2;
    }
    for (int writer = 0; writer < 3; ++writer) EXPECT_EQ(next[writer], written[writer]) << writer;
}

// A nickname goes with its text, skipped by a user's action writing part of
// a backlog, dropped by a flood; long text counts as shown, cut with a note.
TEST_F(QueueGuard, LinesGoWholeAndCountAsShown) {
    write_out_queue(client);
    set_scrollback_limit(20000);
    std::thread([&] {  // one character short of a scrollback after the first line
        append_chat_line(client, 0, {piece(L"<nick> ", false), piece(L"said first", true)});
        for (int n = 0; n < 19; ++n) append_server_line(client, std::wstring(n < 18 ? 1000 : 1980, L's'));
    }).join();
    set_queue_clock([] { return 0.0; });  // only its share of text ends the action; the read writes no more
    flush_chat_appends(client, 0);
    EXPECT_TRUE(contains(buffer_text(0), L"<nick> said first"));
    set_queue_clock(nullptr);
    write_out_queue(client);
    std::thread([&] {
        for (int n = 0; n < 40; ++n)
            append_chat_line(client, 0, {piece(L"<n> ", false), piece(std::wstring(60000, L't'), true)});
    }).join();
    EXPECT_GT(queued_work_count(), 2 * 9u) << "a scrollback's worth as shown stays";
    EXPECT_EQ(queued_work_count() % 2, 0u) << "whole lines only";
    write_out_queue(client);
    set_scrollback_limit(default_scrollback_limit);
}

}  // namespace
