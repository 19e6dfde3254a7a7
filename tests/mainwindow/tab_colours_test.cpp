#include "chat/chat_tabs.h"
#include "mainwindow/main_window.h"
#include "window_fixture.h"

namespace {

using TabColours = MainWindowTest;

constexpr COLORREF green = RGB(3, 186, 20), red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
constexpr COLORREF hollow = CLR_INVALID;

// What the main window answers when the button asks for its colours.
COLORREF answered_colour(const ChatClient& client, HWND button) {
    HDC dc = GetDC(button);
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageW(client.main_window, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)));
    ReleaseDC(button, dc);
    bool solid = false;
    const COLORREF colour = brush_colour(brush, solid);
    return solid ? colour : hollow;
}

TEST_F(TabColours, MentionThenUnreadThenSelectionDecide) {
    const int slot = create_chat(client, L"amy", false);
    ASSERT_GT(slot, 0);
    struct Case {
        int slot;
        bool unread, mention;
        int selected;
        COLORREF colour;
    };
    const Case cases[] = {
        {slot, false, true, 0, green},     {slot, true, true, slot, green},  {slot, true, false, 0, red},
        {slot, true, false, slot, red},    {slot, false, false, slot, blue}, {slot, false, false, 0, hollow},
        {0, true, false, slot, hollow},    {0, false, true, slot, hollow},   {0, true, true, 0, blue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot << " unread " << c.unread << " mention " << c.mention
                                        << " selected " << c.selected);
        ChatRecord& chat = client.chats[c.slot];
        chat.unread = c.unread;
        chat.mention = c.mention;
        client.current_chat = &client.chats[c.selected];
        EXPECT_EQ(answered_colour(client, chat.button), c.colour);
        chat.unread = chat.mention = false;
    }
    client.current_chat = &client.chats[0];
}

TEST_F(TabColours, OtherButtonsAndIdsBeyondTheSlotsGetNoBrush) {
    EXPECT_EQ(answered_colour(client, client.clear_button), hollow);
    // Ids up to 400 count as tab buttons, but only 34 slots exist.
    HWND stray = CreateWindowExW(0, L"BUTTON", L"stray", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10, client.main_window,
                                 reinterpret_cast<HMENU>(INT_PTR(399)), nullptr, nullptr);
    ASSERT_NE(stray, nullptr);
    EXPECT_EQ(answered_colour(client, stray), hollow);
    DestroyWindow(stray);
}

TEST_F(TabColours, SelectingATabClearsItsMarksAndMovesTheBlue) {
    const int slot = create_chat(client, L"ben", false);
    ASSERT_GT(slot, 0);
    ChatRecord& chat = client.chats[slot];
    EXPECT_TRUE(chat.unread);  // a new chat starts unread
    EXPECT_EQ(answered_colour(client, chat.button), red);
    chat.mention = true;
    click_tab(slot);
    EXPECT_FALSE(chat.unread);
    EXPECT_FALSE(chat.mention);
    EXPECT_EQ(answered_colour(client, chat.button), blue);
    EXPECT_EQ(answered_colour(client, client.chats[0].button), hollow);
    click_tab(0);
    EXPECT_EQ(answered_colour(client, chat.button), hollow);
    EXPECT_EQ(answered_colour(client, client.chats[0].button), blue);
}

TEST_F(TabColours, TabButtonsArePaintedInTheirColour) {
    const int slot = create_chat(client, L"cleo", false);
    ASSERT_GT(slot, 0);
    HWND button = client.chats[slot].button;
    EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);

    struct Case {
        bool unread, mention;
        COLORREF face;
    };
    for (const Case& c : {Case{true, false, red}, Case{false, true, green}, Case{false, false, GetSysColor(COLOR_BTNFACE)}}) {
        client.chats[slot].unread = c.unread;
        client.chats[slot].mention = c.mention;
        RECT frame{};
        GetClientRect(button, &frame);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, frame.right, frame.bottom);
        HGDIOBJ old = SelectObject(dc, canvas);
        DRAWITEMSTRUCT item{ODT_BUTTON, UINT(GetDlgCtrlID(button)), 0, ODA_DRAWENTIRE, 0, button, dc, frame, 0};
        EXPECT_TRUE(SendMessageW(client.main_window, WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item)));
        // Right of the short name, inside the raised edge.
        EXPECT_EQ(GetPixel(dc, frame.right - 6, frame.bottom / 2), c.face);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
    }
}

}  // namespace
