#include <richedit.h>

#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "controls/find_box.h"
#include "resources/resource_ids.h"
#include "support/box_recorder.h"
#include "support/test_client.h"
#include "window_fixture.h"

namespace {

enum Modifier { none = 0, ctrl = 1, shift = 2, alt = 4 };

// A key pressed while `target` has the focus, through the program's own
// accelerator table; the message goes on to `target` when the table has no
// command for it.
void press(const ChatClient& client, HWND target, UINT key, int modifiers) {
    BYTE state[256] = {};
    if (modifiers & ctrl) state[VK_CONTROL] = 0x80;
    if (modifiers & shift) state[VK_SHIFT] = 0x80;
    if (modifiers & alt) state[VK_MENU] = 0x80;
    SetKeyboardState(state);
    const LPARAM context = modifiers & alt ? 1 | 1 << 29 : 1;
    MSG msg{target, static_cast<UINT>(modifiers & alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, context, 0, {}};
    static HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    if (!translate_window_keys(client.main_window, table, msg)) SendMessageW(target, msg.message, key, context);
    BYTE released[256] = {};
    SetKeyboardState(released);
}

int selected_slot(const ChatClient& client) {
    return client.current_chat ? client.current_chat->slot : -1;
}

using TabKeys = MainWindowTest;

TEST_F(TabKeys, KeysMoveBetweenChatsInTabOrderAndCloseTheSelectedOne) {
    const int bob = create_chat(client, L"bob", false);
    const int carol = create_chat(client, L"carol", false);
    const int room = create_chat(client, L"#room", true);
    pump_messages();
    click_tab(0);
    struct Step { UINT key; int modifiers; int expected; };
    const Step steps[] = {
        {VK_TAB, ctrl, bob},          {VK_TAB, ctrl, carol},        {VK_NEXT, ctrl, room},
        {VK_TAB, ctrl, 0},            {VK_TAB, ctrl | shift, room}, {VK_PRIOR, ctrl, carol},
        {'1', alt, 0},                {'4', alt, room},             {'9', alt, room},
        {'2', alt, bob},              {VK_TAB, none, bob},          {'W', ctrl, 0},
        {VK_TAB, ctrl, carol},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "key " << step.key << " modifiers " << step.modifiers);
        press(client, client.input_window, step.key, step.modifiers);
        pump_messages();
        EXPECT_EQ(selected_slot(client), step.expected);
    }
    EXPECT_FALSE(client.chats[bob].in_use) << "Ctrl+W closes the chat it was pressed in";
}

TEST_F(TabKeys, TypingInAChatGoesToTheInputLine) {
    SetWindowTextW(client.input_window, L"");
    HWND buffer = client.chats[0].buffer->window;
    SetFocus(buffer);
    for (wchar_t typed : std::wstring(L"hi!")) SendMessageW(buffer, WM_CHAR, typed, 1);
    SendMessageW(buffer, WM_CHAR, 0x03, 1);  // Ctrl+C copies: it types nothing
    EXPECT_EQ(window_text(client.input_window), L"hi!");
    EXPECT_EQ(GetFocus(), client.input_window);
    SetWindowTextW(client.input_window, L"");
}

using FindInChat = MainWindowTest;

// A full scrollback with the word in three letter cases at known places.
TEST_F(FindInChat, StepsThroughMatchesOfAFullChatBothWaysWithoutABox) {
    const long size = default_scrollback_limit;
    std::wstring text;
    while (static_cast<long>(text.size()) < size) text += L"the quick brown fox jumps over a lazy dog\r";
    text.resize(static_cast<size_t>(size));
    const LONG places[] = {1000, size / 2, size - 100};
    const wchar_t* spellings[] = {L"Needle", L"NEEDLE", L"needle"};
    for (int i = 0; i < 3; ++i) text.replace(static_cast<size_t>(places[i]), 6, spellings[i]);
    const int slot = create_chat(client, L"finder", false);
    pump_messages();
    click_tab(slot);
    HWND buffer = client.chats[slot].buffer->window;
    SetWindowTextW(buffer, text.c_str());
    CHARRANGE start{0, 0};
    SendMessageW(buffer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
    BoxRecorder boxes;

    press(client, client.input_window, 'F', ctrl);
    ASSERT_TRUE(client.find_box && client.find_box->is_open());
    HWND edit = client.find_box->window;
    struct Step {
        const wchar_t* typed;  // nullptr: a key instead
        UINT key;
        int modifiers;
        LONG expected;  // selection start; -1: no match, selection unchanged
    };
    const Step steps[] = {
        {L"needle", 0, none, places[0]},        {nullptr, VK_F3, none, places[1]},
        {nullptr, VK_RETURN, none, places[2]},  {nullptr, VK_F3, none, places[0]},
        {nullptr, VK_F3, shift, places[2]},     {nullptr, VK_RETURN, shift, places[1]},
        {nullptr, VK_RETURN, shift, places[0]}, {L"needles", 0, none, -1},
        {L"NEEDLE", 0, none, places[0]},
    };
    LONG last = places[0];
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step to " << step.expected);
        step.typed ? (void)SetWindowTextW(edit, step.typed) : press(client, edit, step.key, step.modifiers);
        CHARRANGE selected{};
        SendMessageW(buffer, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selected));
        const LONG expected = step.expected < 0 ? last : step.expected;
        EXPECT_EQ(selected.cpMin, expected);
        EXPECT_EQ(selected.cpMax, expected + 6);
        EXPECT_EQ(window_text(client.find_box->note()), step.expected < 0 ? L"no match" : L"");
        last = expected;
    }
    EXPECT_EQ(boxes.count(), 0u);

    press(client, edit, VK_ESCAPE, none);
    EXPECT_FALSE(client.find_box->is_open());
    EXPECT_EQ(GetFocus(), client.input_window);
}

}  // namespace
