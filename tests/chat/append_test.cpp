#include <windows.h>

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <thread>

#include "app/text.h"
#include "chat/append_queue.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "support/test_client.h"

namespace {

class Appending : public ChatTest {
protected:
    int slot = -1;

    void SetUp() override {
        ChatTest::SetUp();
        slot = open_private_chat(client, L"reader", false);
        ASSERT_GT(slot, 0);
        clear_chat(client, slot);
    }

    void add(const std::wstring& text, COLORREF colour = colour_server_text, COLORREF back = colour_black) {
        append_chat_text(text.c_str(), client, slot, colour, back, true);
    }

    // Enough lines that the buffer scrolls, ending with the view at the end.
    void fill_and_size() {
        give_view_size(slot);
        for (int n = 0; n < 100; ++n) add(format_text(L"old %d", n));
        SCROLLINFO info = vertical_scroll(slot);
        ASSERT_GT(info.nMax, static_cast<int>(info.nPage) * 2);
        ASSERT_EQ(info.nPos + static_cast<int>(info.nPage), info.nMax);  // followed the text
    }

    void scroll_to(int position) {
        SendMessageW(buffer_window(slot), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), 0);
        ASSERT_EQ(vertical_scroll(slot).nPos, position);
    }

    bool shows(const wchar_t* text) { return buffer_text(slot).find(text) != std::wstring::npos; }

    // For a buffer of numbered lines ("12345:..."), whole and in order from
    // the first: the number the next line would have; 0 when they are not.
    static int number_after_lines(const std::wstring& text) {
        if (text.find(L':') != 5) return 0;  // the oldest line kept is cut
        int expected = std::stoi(text.substr(0, 5));
        for (size_t at = 0; at < text.size(); at = text.find(L"\r\n", at) + 2, ++expected) {
            if (text.compare(at, 6, format_text(L"%d:", expected)) != 0) return 0;
            if (text.find(L"\r\n", at) == std::wstring::npos) return expected + 1;
        }
        return expected;
    }
};

TEST_F(Appending, LinesWaitWhileScrolledUpAndComeFirstInOrderAtTheEnd) {
    fill_and_size();
    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
    add(L"held 1");
    add(L"held 2", colour_private_message);
    EXPECT_FALSE(shows(L"held"));
    EXPECT_EQ(vertical_scroll(slot).nPos, 0);  // the reader's place is kept
    EXPECT_EQ(client.chats[slot].pending_lines.size(), 2u);

    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_BOTTOM, 0);
    add(L"after");
    const std::wstring text = buffer_text(slot);
    const std::wstring end = L"old 99\r\nheld 1\r\nheld 2\r\nafter\r\n";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
    EXPECT_TRUE(client.chats[slot].pending_lines.empty());
}

TEST_F(Appending, CountsAsAtTheEndUpToSixUnitsAboveIt) {
    fill_and_size();
    const SCROLLINFO info = vertical_scroll(slot);
    const int bottom = info.nMax - static_cast<int>(info.nPage);
    struct Case {
        int distance;
        bool written;
    } cases[] = {{7, false}, {6, true}, {0, true}, {40, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        clear_chat(client, slot);
        fill_and_size();
        scroll_to(bottom - c.distance);
        add(L"probe");
        EXPECT_EQ(shows(L"probe"), c.written);
    }
}

TEST_F(Appending, EmptyTextReleasesHeldLinesAndScrollsToTheEnd) {
    fill_and_size();
    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
    add(L"waiting");
    client.chats[slot].unread = false;
    append_chat_text(L"", client, slot, colour_private_message, colour_black, true);
    EXPECT_TRUE(shows(L"waiting\r\n"));
    EXPECT_FALSE(client.chats[slot].unread);
    pump_messages();  // the scroll request is posted
    const SCROLLINFO info = vertical_scroll(slot);
    EXPECT_EQ(info.nPos + static_cast<int>(info.nPage), info.nMax);
}

TEST_F(Appending, HeldLineIsCutTo511Characters) {
    fill_and_size();
    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
    add(std::wstring(600, L'x'));
    std::wstring pair_cut = std::wstring(510, L'y') + L"\xD83D\xDE00";  // a pair across the limit
    add(pair_cut);
    ASSERT_EQ(client.chats[slot].pending_lines.size(), 2u);
    EXPECT_EQ(client.chats[slot].pending_lines[0].text, std::wstring(511, L'x'));
    EXPECT_EQ(client.chats[slot].pending_lines[1].text, std::wstring(510, L'y'));
    append_chat_text(L"", client, slot, 0, 0, false);
    EXPECT_TRUE(shows((std::wstring(511, L'x') + L"\r\n").c_str()));
    EXPECT_FALSE(shows(std::wstring(512, L'x').c_str()));
}

// A hostile server's 64,000-character line would hold the window for tens of
// seconds; it is shown cut, with what was left out counted.
TEST_F(Appending, OverlongLineIsShownCutAndSaysSo) {
    std::wstring text(64000, L'z');
    text[2047] = L'\xD83D';  // a pair across the cut
    text[2048] = L'\xDE00';
    add(text);
    add(L"after");
    const std::wstring shown = buffer_text(slot);
    EXPECT_NE(shown.find(std::wstring(2047, L'z') + L" [61953 more characters not shown]"), std::wstring::npos);
    EXPECT_EQ(shown.find(std::wstring(2048, L'z')), std::wstring::npos);
    EXPECT_NE(shown.find(L"after"), std::wstring::npos);
}

TEST_F(Appending, ClearedBufferFollowsTheTextAgain) {
    fill_and_size();
    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
    add(L"dropped");
    clear_chat(client, slot);
    EXPECT_TRUE(client.chats[slot].pending_lines.empty());
    add(L"first");
    add(L"second");
    EXPECT_EQ(buffer_text(slot), L"first\r\nsecond\r\n");
}

TEST_F(Appending, FloodWhileScrolledUpIsBoundedAndLosesNothing) {
    fill_and_size();
    SendMessageW(buffer_window(slot), WM_VSCROLL, SB_TOP, 0);
    for (int n = 0; n < 5001; ++n) add(format_text(L"flood %d", n));
    EXPECT_LE(client.chats[slot].pending_lines.size(), 5000u);
    append_chat_text(L"", client, slot, 0, 0, false);
    const std::wstring text = buffer_text(slot);
    size_t at = 0;
    for (int n = 0; n < 5001; n += 500) {
        at = text.find(format_text(L"flood %d\r\n", n), at);
        ASSERT_NE(at, std::wstring::npos) << n;
    }
}

TEST_F(Appending, LongSessionKeepsTheNewestLinesWithinTheScrollback) {
    give_view_size(slot);
    set_scrollback_limit(50000);
    const std::wstring filler(495, L'.');
    // Each write cuts only a little more than it needs (and the rest of the
    // line the cut falls into): every character cut from the front costs the
    // control time for each line left behind.
    long least_after_cut = 50000;
    GETTEXTLENGTHEX characters{GTL_NUMCHARS, 1200};
    for (int n = 0; n < 300; ++n) {
        add(format_text(L"%d:%s", n + 10000, filler));  // 150,000 characters in all
        if (n < 110) continue;
        const long length = static_cast<long>(
            SendMessageW(buffer_window(slot), EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&characters), 0));
        least_after_cut = std::min(least_after_cut, length);
    }
    set_scrollback_limit(default_scrollback_limit);
    EXPECT_GT(least_after_cut, 50000 - 100 - 501);
    const std::wstring text = buffer_text(slot);
    EXPECT_LE(text.size(), 50000u + 100u);  // line ends count twice in the plain text
    EXPECT_EQ(text.find(L"10000:"), std::wstring::npos);
    EXPECT_EQ(text.compare(text.size() - 503, 6, L"10299:"), 0);
    EXPECT_EQ(text.find(L':'), 5u);  // the oldest line kept is whole
}

TEST_F(Appending, EachLineTakesItsColoursAndKeepFormatKeepsThem) {
    struct Case {
        const wchar_t* text;
        COLORREF colour, back, expect_colour, expect_back;
    } cases[] = {
        {L"server-line", colour_server_text, colour_black, colour_server_text, colour_black},
        {L"error-line", colour_error_text, colour_error_back, colour_error_text, colour_error_back},
        {L"keep-line", keep_format, colour_black, colour_error_text, colour_error_back},
        {L"nick-line", colour_nick, colour_black, colour_nick, colour_black},
        {L"keep-back", colour_channel_message, keep_format, colour_nick, colour_black},
        {L"away-line", colour_white, colour_away_back, colour_white, colour_away_back},
    };
    for (const Case& c : cases) append_chat_text(c.text, client, slot, c.colour, c.back, false);
    HWND buffer = buffer_window(slot);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FINDTEXTEXW find{{0, -1}, c.text, {0, 0}};
        ASSERT_GE(SendMessageW(buffer, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)), 0);
        SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EXPECT_TRUE(format.dwMask & CFM_COLOR);  // one colour over the whole line
        EXPECT_EQ(format.crTextColor, c.expect_colour);
        EXPECT_EQ(format.crBackColor, c.expect_back);
        EXPECT_TRUE(format.dwEffects & CFE_BOLD);
        EXPECT_FALSE(format.dwEffects & (CFE_ITALIC | CFE_UNDERLINE | CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR));
    }
}

TEST_F(Appending, MessageColoursMarkAChatThatIsNotSelected) {
    const int channel = create_chat(client, L"#busy", true);
    ASSERT_GT(channel, 0);
    client.current_chat = &client.chats[0];
    struct Case {
        int target;
        const wchar_t* text;
        COLORREF colour;
        bool selected, marked;
    } cases[] = {
        {channel, L"hello", colour_channel_message, false, true},
        {channel, L"hello me", colour_mention, false, true},
        {slot, L"psst", colour_private_message, false, true},
        {channel, L"-server- notice", colour_server_text, false, false},
        {channel, L"oops", colour_error_text, false, false},
        {channel, L"-> joins", colour_event, false, false},
        {channel, L"", colour_channel_message, false, false},
        {channel, L"hello", colour_channel_message, true, false},
        {0, L"hello", colour_channel_message, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.target << " " << c.colour);
        ChatRecord& chat = client.chats[c.target];
        chat.unread = false;
        client.current_chat = c.selected ? &chat : (c.target == 0 ? &client.chats[slot] : &client.chats[0]);
        append_chat_text(c.text, client, c.target, c.colour, colour_black, true);
        EXPECT_EQ(bool(chat.unread), c.marked);
    }
    // A mention set by the message handler is left for the tab's colour.
    client.current_chat = &client.chats[0];
    client.chats[channel].mention = true;
    append_chat_text(L"hi me", client, channel, colour_mention, colour_black, true);
    EXPECT_TRUE(client.chats[channel].mention);
    EXPECT_TRUE(client.chats[channel].unread);
}

// Another thread floods two chats with far more than the scrollback: one
// follows its end, where only the newest scrollback's worth is written (into
// a fresh control once nothing of the old text would stay), one is scrolled
// up, whose held lines are all kept. The result must be what writing every
// line would have given: the newest lines, whole, in order, in their colours.
TEST_F(Appending, FloodFromAnotherThreadBeyondTheScrollback) {
    const int held = open_private_chat(client, L"scrolled", false);
    ASSERT_GT(held, 0);
    give_view_size(held);
    for (int n = 0; n < 100; ++n) append_chat_text(L"old", client, held, colour_server_text, colour_black, true);
    SendMessageW(buffer_window(held), WM_VSCROLL, SB_TOP, 0);
    add(L"before the flood");
    set_scrollback_limit(20000);
    const std::wstring filler(40, L'=');
    std::thread flood([&] {
        for (int n = 0; n < 3000; ++n) {
            const COLORREF colour = n % 2 ? colour_nick : colour_channel_message;
            append_chat_text(format_text(L"%d:%s", 10000 + n, filler).c_str(), client, slot, colour, colour_black, true);
            append_chat_text(L"held", client, held, colour_server_text, colour_black, true);
        }
    });
    flood.join();
    // What waits is about the text that will be shown, not the whole flood.
    EXPECT_LE(queued_text_length(client, slot), 30000 + 100);
    write_out_queue(client);
    set_scrollback_limit(default_scrollback_limit);

    const std::wstring text = buffer_text(slot);
    EXPECT_LE(text.size(), 20000u + 600u);  // line ends count twice in the plain text
    EXPECT_GT(text.size(), 15000u);
    EXPECT_EQ(number_after_lines(text), 13000);

    HWND buffer = buffer_window(slot);
    EXPECT_EQ(GetDlgCtrlID(buffer), client.chats[slot].control_id);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(buffer, EM_SETBKGNDCOLOR, 0, colour_black)), colour_black);
    for (const wchar_t* last : {L"12998:", L"12999:"}) {
        FINDTEXTEXW find{{0, -1}, last, {0, 0}};
        ASSERT_GE(SendMessageW(buffer, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)), 0);
        SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EXPECT_EQ(format.crTextColor, last[4] == L'9' ? colour_nick : colour_channel_message);
        EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    }
    EXPECT_EQ(client.chats[held].pending_lines.size(), 3000u);
    close_chat(client, L"scrolled");
}

// A run that writes only the first part of a backlog (a user's action has a
// budget) whose rest will push out every line the buffer holds starts a fresh
// control at once: cutting a full buffer from the front costs the control
// time that grows with every line left behind. Once the backlog is written
// the buffer holds what writing every line would have given.
TEST_F(Appending, BacklogThatPushesOutTheWholeBufferStartsAFreshOne) {
    give_view_size(slot);
    set_scrollback_limit(20000);
    const std::wstring filler(40, L'=');
    for (int n = 0; n < 500; ++n) add(format_text(L"%d:%s", 10000 + n, filler));
    HWND full = buffer_window(slot);
    std::thread flood([&] {
        for (int n = 0; n < 1000; ++n)
            append_chat_text(format_text(L"%d:%s", 20000 + n, filler).c_str(), client, slot, colour_channel_message,
                             colour_black, true);
    });
    flood.join();
    flush_chat_appends(client, slot);
    EXPECT_NE(buffer_window(slot), full);
    EXPECT_FALSE(shows(L"10499:"));
    write_out_queue(client);
    set_scrollback_limit(default_scrollback_limit);

    const std::wstring text = buffer_text(slot);
    EXPECT_GT(text.size(), 15000u);
    EXPECT_EQ(number_after_lines(text), 21000);
}

// Text the buffer has no room for (too little for a fresh control or a carry)
// counts several times its length against a run's budget: the control cuts
// as much from its front, at a cost that grows with the lines left behind,
// and a user's action must not wait for a whole budget of that.
TEST_F(Appending, TextThatMakesTheBufferCutCountsMoreAgainstARunsBudget) {
    give_view_size(slot);
    set_scrollback_limit(100000);
    const std::wstring filler(40, L'=');
    // Lines one user's action writes of 250 queued by another thread.
    auto written_by_one_action = [&] {
        std::thread([&] {
            for (int n = 0; n < 250; ++n)
                append_chat_text(format_text(L"%d:%s", 20000 + n, filler).c_str(), client, slot,
                                 colour_channel_message, colour_black, true);
        }).join();
        // Only the budget ends the action, however loaded the machine; each
        // action starts anew.
        set_queue_clock([] { return 0.0; });
        const size_t queued = queued_work_count();
        flush_chat_appends(client, slot);
        const size_t written = queued - queued_work_count();
        write_out_queue(client);
        set_queue_clock(nullptr);
        return written;
    };
    for (int n = 0; n < 260; ++n) add(format_text(L"%d:%s", 10000 + n, std::wstring(400, L'=')));
    const size_t into_full = written_by_one_action();
    clear_chat(client, slot);
    const size_t with_room = written_by_one_action();
    set_scrollback_limit(default_scrollback_limit);
    EXPECT_GT(into_full, 0u);
    EXPECT_GT(with_room, 3 * into_full);
    EXPECT_LT(with_room, 250u) << "the budget of one action ends it";
}

// A run that writes much into a full buffer does not cut its front: the
// buffer takes the text uncut while the timer's slices (a stopped clock: only
// their shares end them) copy its newest lines to a fresh control, which takes
// its place once it has caught up; half a scrollback or more goes into a
// fresh control at once. A little text is cut for as before.
TEST_F(Appending, MuchTextForAFullBufferIsCarriedToAFreshOne) {
    struct Case {
        int lines;
        int replaced_after;  // runs of the timer; 0: never
    } cases[] = {{5, 0}, {150, 2}, {250, 1}};
    give_view_size(slot);
    set_scrollback_limit(20000);
    set_queue_clock([] { return 0.0; });
    const std::wstring filler(40, L'=');
    auto colour_of = [](int n) { return n % 2 ? colour_nick : colour_channel_message; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        clear_chat(client, slot);
        int next = 10000;
        for (; next < 10500; ++next) add(format_text(L"%d:%s", next, filler), colour_of(next));
        HWND full = buffer_window(slot);
        const bool shown = IsWindowVisible(full);
        std::thread([&] {
            for (int n = 0; n < c.lines; ++n, ++next)
                append_chat_text(format_text(L"%d:%s", next, filler).c_str(), client, slot, colour_of(next),
                                 colour_black, true);
        }).join();
        drain_chat_queue(client);
        EXPECT_EQ(queued_work_count(), 0u);
        EXPECT_EQ(buffer_window(slot) != full, c.replaced_after == 1);
        EXPECT_EQ(number_after_lines(buffer_text(slot)), next);
        EXPECT_EQ(buffer_text(slot).size() > 22000u, c.replaced_after == 2) << "uncut while carried";
        drain_chat_queue(client);
        EXPECT_EQ(buffer_window(slot) != full, c.replaced_after > 0);
        HWND buffer = buffer_window(slot);
        EXPECT_EQ(GetDlgCtrlID(buffer), client.chats[slot].control_id);
        EXPECT_EQ(IsWindowVisible(buffer), shown);
        const std::wstring text = buffer_text(slot);
        EXPECT_EQ(number_after_lines(text), next);
        EXPECT_LE(text.size(), 20000u + 600u);
        EXPECT_GT(text.size(), 10000u) << "half the scrollback at least";
        // Lines carried over keep their colours and weight.
        const int oldest = std::stoi(text.substr(0, 5));
        for (const int n : {oldest, oldest + 1, next - 1}) {
            const std::wstring tag = format_text(L"%d:", n);
            FINDTEXTEXW find{{0, -1}, tag.c_str(), {0, 0}};
            ASSERT_GE(SendMessageW(buffer, EM_FINDTEXTEXW, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)), 0);
            SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
            CHARFORMAT2W format{};
            format.cbSize = sizeof format;
            SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            EXPECT_EQ(format.crTextColor, colour_of(n)) << n;
            EXPECT_EQ(format.crBackColor, colour_black) << n;
            EXPECT_TRUE(format.dwEffects & CFE_BOLD) << n;
        }
    }
    set_queue_clock(nullptr);
    set_scrollback_limit(default_scrollback_limit);
}

TEST_F(Appending, FreeAndInvalidSlotsAreIgnored) {
    for (int bad : {-1, 34, 1000, 20}) append_chat_text(L"lost", client, bad, colour_server_text, colour_black, true);
    append_chat_text(nullptr, client, slot, colour_server_text, colour_black, true);
    close_chat(client, L"reader");
    append_chat_text(L"after close", client, slot, colour_private_message, colour_black, true);
    EXPECT_FALSE(client.chats[slot].in_use);
    EXPECT_EQ(buffer_text(0).find(L"lost"), std::wstring::npos);
}

}  // namespace
