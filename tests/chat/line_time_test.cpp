#include <windows.h>

#include <richedit.h>

#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "support/line_clock.h"

namespace {

// 2026-12-08T13:05:00Z and 2026-12-07T23:59:59.999Z, in ms since 1970.
constexpr long long afternoon = 1796735100000LL;
constexpr long long before_midnight = 1796687999999LL;

class LineTimes : public ChatTest {
protected:
    int slot = -1;
    TwentyFourHourClock clock;  // the user's format has seconds: shown without them

    void SetUp() override {
        ChatTest::SetUp();
        client.show_times = true;
        slot = open_private_chat(client, L"clock", false);
        ASSERT_GT(slot, 0);
        clear_chat(client, slot);
    }
    void TearDown() override {
        client.show_times = false;
        ChatTest::TearDown();
    }
};

PendingLine piece(const wchar_t* text, bool ends, long long server_time = 0) {
    PendingLine made{text, colour_channel_message, colour_black, ends};
    made.server_time = server_time;
    return made;
}

// Each line starts with its time: the server's when it gave one (also
// handed over with the line being handled), else its arrival; one time per
// line however many pieces it comes in; none with the preference off.
TEST_F(LineTimes, EachLineStartsWithItsTime) {
    const struct {
        const char* name;
        std::vector<PendingLine> pieces;
        bool receive_thread;
        long long handled_time;  // the server's time of the line being handled
        bool shown;
        long long expected_time;  // 0: now
        const wchar_t* text;
    } cases[] = {
        {"own line", {piece(L"mine", true)}, false, 0, true, 0, L"mine"},
        {"received in pieces", {piece(L"<bob> ", false), piece(L"hi", true)}, true, 0, true, 0, L"<bob> hi"},
        {"server time of the line", {piece(L"played", true)}, true, afternoon, true, afternoon, L"played"},
        {"server time at midnight", {piece(L"late", true)}, true, before_midnight, true, before_midnight, L"late"},
        {"a piece's own time", {piece(L"own time", true, afternoon)}, false, 0, true, afternoon, L"own time"},
        {"switched off", {piece(L"bare ", false), piece(L"line", true)}, true, afternoon, false, 0, L"bare line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear_chat(client, slot);
        client.show_times = c.shown;
        const long long before = utc_now_ms();
        auto add = [&] {
            LineTimeScope handled(c.handled_time);
            append_chat_line(client, slot, c.pieces);
        };
        if (c.receive_thread)
            std::thread(add).join();
        else
            add();
        flush_chat_appends(client, slot);
        const std::wstring text = buffer_text(slot);
        if (!c.shown) {
            EXPECT_EQ(text, std::wstring(c.text) + L"\r\n");
        } else if (c.expected_time) {
            EXPECT_EQ(text, stamp_of(c.expected_time) + c.text + L"\r\n");
        } else {
            EXPECT_TRUE(shows_with_time_since(text, std::wstring(c.text) + L"\r\n", before)) << c.name;
            EXPECT_EQ(text.find(L'['), 0u);
            EXPECT_EQ(text.find(L"\r\n"), text.size() - 2);
        }
    }
}

// The sender's formatting stays on its own characters behind the time.
TEST_F(LineTimes, FormattingMovesBehindTheTime) {
    PendingLine coloured = piece(L"redtail", true, afternoon);
    FormatRun red;
    red.start = 0;
    red.colour = 4;
    FormatRun plain;
    plain.start = 3;
    coloured.runs = {red, plain};
    append_chat_line(client, slot, {coloured});
    const std::wstring stamp = stamp_of(afternoon);
    ASSERT_EQ(buffer_text(slot), stamp + L"redtail\r\n");
    auto colour_at = [&](LONG at) {
        SendMessageW(buffer_window(slot), EM_SETSEL, at, at + 1);
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        SendMessageW(buffer_window(slot), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format.crTextColor;
    };
    const LONG text_start = static_cast<LONG>(stamp.size());
    EXPECT_EQ(colour_at(0), colour_channel_message);
    EXPECT_NE(colour_at(text_start), colour_channel_message);
    EXPECT_EQ(colour_at(text_start + 3), colour_channel_message);
}

// A time in a zone: quarter-hour offsets, a date change either way, and a
// zone with summer time, which counts by the date of the line.
TEST(LineTimeZones, ConvertToTheWallClock) {
    TIME_ZONE_INFORMATION summer{};
    summer.Bias = 0;
    summer.DaylightBias = -60;
    summer.StandardDate = {0, 10, 0, 5, 2, 0, 0, 0};  // last Sunday of October, 02:00
    summer.DaylightDate = {0, 3, 0, 5, 1, 0, 0, 0};   // last Sunday of March, 01:00
    const struct {
        long bias;
        bool with_summer;
        long long utc_ms;
        WORD day, hour, minute, milliseconds;
    } cases[] = {
        {-345, false, before_midnight, 8, 5, 44, 999},  // +5:45 goes past midnight
        {210, false, 1796688600000LL, 7, 20, 40, 0},    // 2026-12-08T00:10Z at -3:30
        {-840, false, 1796724000000LL, 9, 0, 0, 0},     // 10:00Z at +14
        {0, false, 1796694099855LL, 8, 1, 41, 855},
        {0, true, afternoon, 8, 13, 5, 0},               // December: standard time
        {0, true, 1781010000000LL, 9, 14, 0, 0},         // 2026-06-09T13:00Z: summer time
    };
    for (const auto& c : cases) {
        TIME_ZONE_INFORMATION zone = c.with_summer ? summer : TIME_ZONE_INFORMATION{};
        zone.Bias = c.bias;
        SYSTEMTIME local{};
        ASSERT_TRUE(local_time_of(c.utc_ms, local, &zone)) << c.utc_ms;
        EXPECT_EQ((std::vector<WORD>{local.wDay, local.wHour, local.wMinute, local.wMilliseconds}),
                  (std::vector<WORD>{c.day, c.hour, c.minute, c.milliseconds}))
            << c.utc_ms;
    }
    SYSTEMTIME unused;
    EXPECT_FALSE(local_time_of(-1, unused));
}

}  // namespace
