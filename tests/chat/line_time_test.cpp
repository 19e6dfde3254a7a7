#include <windows.h>

#include <thread>

#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "chat_fixture.h"
#include "support/line_clock.h"

namespace {
constexpr long long afternoon = 1796735100000LL;        // 2026-12-08T13:05:00Z
constexpr long long before_midnight = 1796687999999LL;  // 2026-12-07T23:59:59.999Z

PendingLine piece(const wchar_t* text, bool ends, long long time = 0) {
    return {text, colour_channel_message, colour_black, ends, {}, time};
}

// Each line starts with its time, from the receive thread through the real
// append path into a hidden buffer: the server's time when it gave one, else
// the arrival; one per line of text however many pieces it comes in; none
// with the preference off.
TEST_F(ChatTest, EachLineStartsWithItsTime) {
    LineClock clock;
    const int slot = open_private_chat(client, L"clock", false);
    const struct {
        std::vector<PendingLine> pieces;
        long long handled_time, time;  // time: the one shown at '@', 0 = the arrival
        const wchar_t* text;
    } cases[] = {
        {{piece(L"<b> ", false), piece(L"hi", true)}, 0, 0, L"@<b> hi\r\n"},
        {{piece(L"late", true)}, before_midnight, before_midnight, L"@late\r\n"},
        {{piece(L"\r\n** two\r\n", true, afternoon)}, 0, afternoon, L"\r\n@** two\r\n\r\n"},
        {{piece(L"bare ", false), piece(L"line", true)}, -1, 0, L"bare line\r\n"},  // -1: times off
    };
    for (const auto& c : cases) {
        clear_chat(client, slot);
        client.show_times = c.handled_time >= 0;
        const long long before = utc_now_ms();
        std::thread([&] {
            LineTimeScope handled(c.handled_time);
            append_chat_line(client, slot, c.pieces);
        }).join();
        flush_chat_appends(client, slot);
        const std::wstring text = buffer_text(slot);  // the minute may turn meanwhile
        auto expected = [&](long long arrival) {
            std::wstring line = c.text;
            const size_t mark = line.find(L'@');
            return mark == line.npos ? line : line.replace(mark, 1, LineClock::stamp(c.time ? c.time : arrival));
        };
        EXPECT_TRUE(text == expected(before) || text == expected(utc_now_ms())) << std::string(text.begin(), text.end());
    }
    client.show_times = false;
}
}  // namespace
