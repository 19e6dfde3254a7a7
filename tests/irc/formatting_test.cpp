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
    const COLORREF own = colour_channel_message, black = colour_black;
    const DWORD bold = CFE_BOLD;
    struct Case {
        const wchar_t *message, *shown, *probe;
        bool strip;
        DWORD effects;
        COLORREF colour, background;
    } cases[] = {
        {L"\x02" L"loud\x02 quiet", L"loud quiet", L"loud", false, bold, own, black},
        // The rest of a line that has bold in it is regular, so the bold shows.
        {L"\x02" L"loud\x02 quiet", L"loud quiet", L" quiet", false, 0, own, black},
        {L"see \x03" L"4red\x03 text", L"see red text", L"red", false, bold, red, black},
        {L"\x03" L"8,2flag\x0F after", L"flag after", L"flag", false, bold, yellow, navy},
        {L"\x03" L"04,x", L",x", L",x", false, bold, red, black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", L"it un st", L"it", false, bold | CFE_ITALIC, own, black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", L"it un st", L"un", false, bold | CFE_UNDERLINE, own, black},
        {L"\x1D" L"it\x1D \x1Fun\x1F \x1Est\x1E", L"it un st", L"st", false, bold | CFE_STRIKEOUT, own, black},
        {L"\x16" L"swapped", L"swapped", L"swapped", false, bold, black, own},
        {L"\x11" L"code\x11", L"code", L"code", false, bold, own, black},
        // Another control character sends the line down the writer's plain path.
        {L"\x07\x03" L"4ring", L"\x07ring", L"ring", false, bold, red, black},
        {L"see \x03" L"4red\x03 \x02text", L"see red text", L"red", true, bold, own, black},
    };
    for (const Case& c : cases) {
        client.strip_formatting = c.strip;
        dispatch(std::wstring(L":carol!u@h PRIVMSG #c :") + c.message);
        const std::string why = testing::PrintToString(std::wstring(c.message));
        EXPECT_EQ(chat_texts(channel).back(), std::wstring(L"[carol] - ") + c.shown) << why;
        CHARFORMAT2W format;
        ASSERT_TRUE(format_of(channel, c.probe, format)) << why;
        EXPECT_EQ(format.dwEffects & effects_shown, c.effects) << why;
        EXPECT_EQ(format.crTextColor, c.colour) << why;
        EXPECT_EQ(format.crBackColor, c.background) << why;
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
}  // namespace
