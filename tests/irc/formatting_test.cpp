#include <gtest/gtest.h>

#include <richedit.h>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/buffer_edit.h"
#include "irc_fixture.h"
#include "support/rich_text.h"

namespace {

class Formatting : public IrcTest {
protected:
    void TearDown() override {
        client.strip_formatting = false;
        IrcTest::TearDown();
    }
    // The format every character of the last `text` in the buffer shares;
    // false when they differ in colour or effects.
    bool format_of(int slot, const std::wstring& text, CHARFORMAT2W& format) {
        HWND buffer = client.chats[slot].buffer->window;
        const std::wstring all = rich_edit_text(buffer);
        const size_t at = all.rfind(text);
        if (at == std::wstring::npos) return false;
        CHARRANGE range{static_cast<LONG>(at), static_cast<LONG>(at + text.size())};
        SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        format = CHARFORMAT2W{};
        format.cbSize = sizeof format;
        SendMessageW(buffer, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        const DWORD needed = CFM_COLOR | CFM_BACKCOLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
        return (format.dwMask & needed) == needed;
    }
};

constexpr DWORD effects_shown = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT;

TEST_F(Formatting, CodesBecomeFormattingOrAreStripped) {
    const int channel = open_channel(L"#c");
    const COLORREF red = RGB(255, 0, 0), navy = RGB(0, 0, 127), yellow = RGB(255, 255, 0);
    struct Case {
        const wchar_t* message;
        bool strip;
        const wchar_t* shown_line;
        const wchar_t* probe;
        DWORD effects;
        COLORREF colour, background;
    } cases[] = {
        {L"\x02" L"loud\x02 quiet", false, L"[carol] - loud quiet", L"loud", CFE_BOLD, colour_channel_message,
         colour_black},
        // The rest of a line that has bold in it is regular, so the bold shows.
        {L"\x02" L"loud\x02 quiet", false, L"[carol] - loud quiet", L" quiet", 0, colour_channel_message,
         colour_black},
        {L"see \x03" L"4red\x03 text", false, L"[carol] - see red text", L"red", CFE_BOLD, red, colour_black},
        {L"\x03" L"8,2flag\x0F after", false, L"[carol] - flag after", L"flag", CFE_BOLD, yellow, navy},
        {L"\x03" L"04,x", false, L"[carol] - ,x", L",x", CFE_BOLD, red, colour_black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", false, L"[carol] - it un st", L"it", CFE_BOLD | CFE_ITALIC,
         colour_channel_message, colour_black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", false, L"[carol] - it un st", L"un", CFE_BOLD | CFE_UNDERLINE,
         colour_channel_message, colour_black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", false, L"[carol] - it un st", L"st", CFE_BOLD | CFE_STRIKEOUT,
         colour_channel_message, colour_black},
        {L"\x16" L"swapped", false, L"[carol] - swapped", L"swapped", CFE_BOLD, colour_black, colour_channel_message},
        {L"\x11" L"code\x11", false, L"[carol] - code", L"code", CFE_BOLD, colour_channel_message, colour_black},
        // Another control character sends the line down the writer's plain path.
        {L"\x07\x03" L"4ring", false, L"[carol] - \x07ring", L"ring", CFE_BOLD, red, colour_black},
        {L"see \x03" L"4red\x03 \x02text", true, L"[carol] - see red text", L"red", CFE_BOLD, colour_channel_message,
         colour_black},
    };
    for (const Case& c : cases) {
        client.strip_formatting = c.strip;
        dispatch(std::wstring(L":carol!u@h PRIVMSG #c :") + c.message);
        const std::wstring shown = chat_texts(channel).back();
        EXPECT_EQ(shown, c.shown_line);
        CHARFORMAT2W format;
        ASSERT_TRUE(format_of(channel, c.probe, format)) << testing::PrintToString(std::wstring(c.message));
        EXPECT_EQ(format.dwEffects & effects_shown, c.effects) << testing::PrintToString(std::wstring(c.message));
        EXPECT_EQ(format.crTextColor, c.colour) << testing::PrintToString(std::wstring(c.message));
        EXPECT_EQ(format.crBackColor, c.background) << testing::PrintToString(std::wstring(c.message));
    }
}

TEST_F(Formatting, LinesHeldBackWhileScrolledUpKeepTheirFormatting) {
    const int channel = open_channel(L"#c");
    HWND buffer = client.chats[channel].buffer->window;
    MoveWindow(buffer, 255, 35, 776, 500, FALSE);
    for (int n = 0; n < 100; ++n) dispatch(format_text(L":carol!u@h PRIVMSG #c :old %d", n));
    chat_texts(channel);  // written out
    SendMessageW(buffer, WM_VSCROLL, SB_TOP, 0);
    dispatch(L":carol!u@h PRIVMSG #c :\x03" L"4held");
    ASSERT_EQ(client.chats[channel].pending_lines.size(), 2u);  // held back, not written
    append_chat_text(L"", client, channel, keep_format, keep_format, false);
    CHARFORMAT2W format;
    ASSERT_TRUE(format_of(channel, L"held", format));
    EXPECT_EQ(format.crTextColor, RGB(255, 0, 0));
}

TEST_F(Formatting, NoticesShowFormattingToo) {
    dispatch(L":carol!u@h NOTICE me :\x02" L"bold\x02 news");
    EXPECT_EQ(chat_texts(0).back(), L" -carol- bold news");
}
}  // namespace
