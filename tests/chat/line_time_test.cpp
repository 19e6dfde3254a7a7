#include <windows.h>

#include <richedit.h>

#include <thread>
#include <vector>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "support/line_clock.h"

namespace {
constexpr long long afternoon = 1796735100000LL;        // 2026-12-08T13:05:00Z
constexpr long long before_midnight = 1796687999999LL;  // 2026-12-07T23:59:59.999Z

PendingLine piece(const wchar_t* text, bool ends, long long server_time = 0) {
    PendingLine made{text, colour_channel_message, colour_black, ends};
    made.server_time = server_time;
    return made;
}

using LineTimes = ChatTest;

// Each line starts with its time, through the real append path: the server's
// when it gave one, else its arrival (0 below: now); one per line of text,
// however many pieces it comes in; none with the preference off.
TEST_F(LineTimes, EachLineStartsWithItsTime) {
    LineClock clock;
    const int slot = open_private_chat(client, L"clock", false);
    const struct {
        std::vector<PendingLine> pieces;
        bool receive_thread, shown;
        long long handled_time;  // of the server's line being handled
        std::vector<std::pair<long long, const wchar_t*>> lines;
    } cases[] = {
        {{piece(L"mine", true)}, false, true, 0, {{0, L"mine"}}},
        {{piece(L"<bob> ", false), piece(L"hi", true)}, true, true, 0, {{0, L"<bob> hi"}}},
        {{piece(L"played", true)}, true, true, afternoon, {{afternoon, L"played"}}},
        {{piece(L"late", true)}, true, true, before_midnight, {{before_midnight, L"late"}}},
        {{piece(L"own ", false, afternoon), piece(L"time", true)}, false, true, 0, {{afternoon, L"own time"}}},
        {{piece(L"\r\n**** two\r\n", true, afternoon)}, false, true, 0, {{-1, L""}, {afternoon, L"**** two"}, {-1, L""}}},
        {{piece(L"bare ", false), piece(L"line", true)}, true, false, afternoon, {{-1, L"bare line"}}},
    };
    for (const auto& c : cases) {
        clear_chat(client, slot);
        client.show_times = c.shown;
        const long long before = utc_now_ms();
        auto add = [&] {
            LineTimeScope handled(c.handled_time);
            append_chat_line(client, slot, c.pieces);
        };
        c.receive_thread ? std::thread(add).join() : add();
        flush_chat_appends(client, slot);
        std::wstring expected, now_expected;
        for (const auto& line : c.lines) {
            expected += (line.first < 0 ? L"" : LineClock::stamp(line.first ? line.first : before)) + line.second + L"\r\n";
            now_expected += (line.first < 0 ? L"" : LineClock::stamp(line.first ? line.first : utc_now_ms())) + line.second + L"\r\n";
        }
        const std::wstring text = buffer_text(slot);
        EXPECT_TRUE(text == expected || text == now_expected) << c.lines.size() << ": " << std::string(text.begin(), text.end());
    }
    client.show_times = false;
}

// A sender's formatting stays on its own characters behind the time.
TEST_F(LineTimes, FormattingMovesBehindTheTime) {
    LineClock clock;
    const int slot = open_private_chat(client, L"colours", false);
    clear_chat(client, slot);
    client.show_times = true;
    PendingLine coloured = piece(L"redtail", true, afternoon);
    coloured.runs = {FormatRun{0, 0, 4}, FormatRun{3}};
    append_chat_line(client, slot, {coloured});
    client.show_times = false;
    ASSERT_EQ(buffer_text(slot), LineClock::stamp(afternoon) + L"redtail\r\n");
    CHARFORMAT2W format{sizeof format};
    const LONG text_at = static_cast<LONG>(LineClock::stamp(afternoon).size());
    for (LONG at : {text_at - 1, text_at, text_at + 3}) {
        SendMessageW(buffer_window(slot), EM_SETSEL, at, at + 1);
        SendMessageW(buffer_window(slot), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        EXPECT_EQ(format.crTextColor == colour_channel_message, at != text_at) << at;
    }
}

// The wall clock of a time in a zone: quarter hours, the date either way,
// summer time by the line's date.
TEST(LineTimeZones, ConvertToTheWallClock) {
    TIME_ZONE_INFORMATION summer{0, {}, {0, 10, 0, 5, 2}, 0, {}, {0, 3, 0, 5, 1}, -60};
    const struct {
        TIME_ZONE_INFORMATION zone;
        long long utc_ms;
        WORD day, hour, minute, milliseconds;
    } cases[] = {
        {{-345}, before_midnight, 8, 5, 44, 999},
        {{210}, 1796688600000LL, 7, 20, 40, 0},  // 2026-12-08T00:10Z
        {summer, afternoon, 8, 13, 5, 0},
        {summer, 1781010000000LL, 9, 14, 0, 0},  // 2026-06-09T13:00Z
    };
    for (const auto& c : cases) {
        SYSTEMTIME local{};
        ASSERT_TRUE(local_time_of(c.utc_ms, local, &c.zone));
        EXPECT_EQ((std::vector<WORD>{local.wDay, local.wHour, local.wMinute, local.wMilliseconds}),
                  (std::vector<WORD>{c.day, c.hour, c.minute, c.milliseconds})) << c.utc_ms;
    }
}
}  // namespace
