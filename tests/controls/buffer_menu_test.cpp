// The chat buffer's context menu, the clipboard and saved chats, on the real
// controls of the main window.
#include "input_fixture.h"

#include <mutex>
#include <thread>
#include <vector>

#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/buffer_actions.h"
#include "controls/buffer_edit.h"
#include "framework/message_box.h"
#include "links/open_link.h"
#include "mainwindow/main_window.h"
#include "support/net_test_support.h"
#include "support/test_client.h"

namespace {
std::vector<std::wstring> opened;
void record_opening(const std::wstring& link, int) { opened.push_back(link); }

class BufferMenuTest : public InputLineTest {
protected:
    int slot = 0;
    BufferEdit* buffer = nullptr;
    std::unique_ptr<BoxRecorder> boxes;

    void SetUp() override {
        InputLineTest::SetUp();
        opened.clear();
        set_link_opener(record_opening);
        boxes = std::make_unique<BoxRecorder>();
        slot = open_chat(L"#room", true);
        buffer = client.chats[slot].buffer.get();
    }
    void TearDown() override {
        set_link_opener(nullptr);
        boxes.reset();
        InputLineTest::TearDown();
    }
    void write(const std::wstring& text) {
        append_chat_text(text.c_str(), client, slot, colour_white, colour_black, true);
        flush_chat_appends(client);
    }
    // Writes the text as a line of its own (in pieces short enough to be shown
    // whole) and selects it.
    bool select_line(const std::wstring& text) {
        constexpr size_t piece = 2000;
        for (size_t at = 0; at < text.size(); at += piece)
            append_chat_text(text.substr(at, piece).c_str(), client, slot, colour_white, colour_black,
                             at + piece >= text.size());
        flush_chat_appends(client);
        const std::wstring all = buffer_text(slot);
        const LONG at = static_cast<LONG>(all.rfind(text));
        CHARRANGE range{at, at + static_cast<LONG>(text.size())};
        SendMessageW(buffer->window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return buffer->capture_selection();
    }
    void choose(const std::wstring& text, int item) {
        ASSERT_TRUE(select_line(text)) << text.size();
        buffer->run_menu_item(item);
        pump_messages();
    }
};

template <class Text>
Text clipboard_text(UINT format) {
    Text text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(format)) {
        text = static_cast<const typename Text::value_type*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void put_on_clipboard(UINT format, const void* bytes, size_t size) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    SetClipboardData(format, block);
    CloseClipboard();
}

COLORREF top_left(HBITMAP bitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF colour = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    return colour;
}

HMENU shown_menu = nullptr;
int shown_items = -1;
void CALLBACK close_menu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (HWND popup = FindWindowW(L"#32768", nullptr)) {
        shown_menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
        shown_items = GetMenuItemCount(shown_menu);
    }
    EndMenu();
}
}  // namespace

TEST_F(BufferMenuTest, MenuOpensOnlyForASelectionOfAtMost4095Characters) {
    write(std::wstring(5000, L'x'));
    EXPECT_FALSE(buffer->capture_selection());  // nothing selected
    EXPECT_FALSE(select_line(std::wstring(4096, L'y')));
    EXPECT_TRUE(select_line(std::wstring(4095, L'z')));

    // The real right click: the menu shows its nine entries and is closed.
    ASSERT_TRUE(select_line(L"carol"));
    SetTimer(nullptr, 0, 100, close_menu);
    SendMessageW(buffer->window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(buffer->window), MAKELPARAM(40, 40));
    EXPECT_EQ(shown_items, 9);

    std::vector<HBITMAP> pictures;
    HMENU menu = buffer->build_context_menu(pictures);
    EXPECT_EQ(pictures.size(), 6u);  // two pairs of items share a picture
    auto picture = [&](int position) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS | MIIM_ID;
        GetMenuItemInfoW(menu, position, TRUE, &info);
        EXPECT_EQ(info.hbmpChecked, info.hbmpUnchecked);
        return info.hbmpUnchecked;
    };
    EXPECT_EQ(picture(1), picture(3));
    EXPECT_EQ(picture(7), picture(8));
    EXPECT_NE(picture(0), picture(1));
    for (HBITMAP bitmap : pictures) EXPECT_EQ(top_left(bitmap), GetSysColor(COLOR_MENU));
    DestroyMenu(menu);
    for (HBITMAP bitmap : pictures) DeleteObject(bitmap);
}

TEST_F(BufferMenuTest, NicknameItemsTakeOneTo34Characters) {
    const std::wstring longest(34, L'n'), too_long(35, L'm');
    choose(longest, 10);
    EXPECT_GT(find_chat(client, longest.c_str()), 0);
    choose(too_long, 10);
    EXPECT_EQ(find_chat(client, too_long.c_str()), -1);
}

// A buffer's own handler runs the queue (its read hook; "Open Private Chat",
// which opens a chat), and what runs may close or renew that very chat: the
// control and its object last until the handler returns, a read is answered
// from the renewed control, and the menu opens the chat that was selected.
TEST_F(BufferMenuTest, AChatClosedOrRenewedByItsOwnHandlerLastsUntilItReturns) {
    enum class Queued { close, renew_task, flood };
    const struct {
        const char* name;
        Queued queued;
        bool menu;
    } cases[] = {
        {"closed, read", Queued::close, false},
        {"closed, menu", Queued::close, true},
        {"renewed twice, read", Queued::flood, false},
        {"renewed, menu", Queued::renew_task, true},
    };
    const std::wstring nickname = L"correspondent";  // longer than a string keeps in place
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!client.chats[slot].in_use) slot = open_chat(L"#room", true);
        buffer = client.chats[slot].buffer.get();
        ASSERT_TRUE(select_line(nickname));
        HWND window = buffer->window;
        const unsigned generation = client.chats[slot].generation;
        bool probed = false, alive_inside = false;
        std::thread([&] {
            if (c.queued == Queued::close) close_chat(client, L"#room");
            if (c.queued != Queued::close)  // a task's renewal, then the flood's
                post_chat_task(client, slot, generation, [&](ChatRecord& chat) { renew_buffer(client, chat); });
            // Enough text that nothing of the old would stay: a fresh control takes it.
            for (int n = 0; c.queued == Queued::flood && n < 100; ++n)
                append_chat_text(std::wstring(99, L'f').c_str(), client, slot, colour_white, colour_black, true);
            post_ui_task(client, [&] {
                probed = true;
                alive_inside = IsWindow(window) != FALSE;
            });
        }).join();
        set_scrollback_limit(minimum_scrollback);
        const LRESULT length = c.menu ? SendMessageW(window, WM_COMMAND, 10, 0)
                                      : SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
        set_scrollback_limit(default_scrollback_limit);
        EXPECT_TRUE(probed);
        EXPECT_TRUE(alive_inside);
        EXPECT_FALSE(IsWindow(window)) << "gone once its handler returned";
        if (c.menu) {
            EXPECT_GT(find_chat(client, nickname.c_str()), 0);
            close_chat(client, nickname.c_str());
        }
        if (c.queued == Queued::close) {
            EXPECT_EQ(find_chat(client, L"#room"), -1);
            continue;
        }
        ASSERT_TRUE(client.chats[slot].buffer);
        HWND fresh = client.chats[slot].buffer->window;
        EXPECT_NE(fresh, window);
        EXPECT_EQ(GetDlgCtrlID(fresh), client.chats[slot].control_id);
        if (c.queued == Queued::flood) {
            EXPECT_GT(length, 0);
            EXPECT_EQ(length, GetWindowTextLengthW(fresh));
        }
    }
}

TEST_F(BufferMenuTest, OpenUrlSearchOrderAndWebSearch) {
    const struct {
        const wchar_t* selection;
        const wchar_t* opened;
    } cases[] = {
        {L"some words https://site/x and more", L"https://site/x"},
        {L"written Http://site/y", L"Http://site/y"},
        {L"https://site/a then http://site/b", L"http://site/b"},
        {L"Https://site/c", L"Https://site/c"},
        {L"no address here", nullptr},
    };
    for (const auto& c : cases) {
        opened.clear();
        choose(c.selection, 14);
        if (c.opened) {
            ASSERT_EQ(opened.size(), 1u) << c.selection;
            EXPECT_EQ(opened[0], c.opened);
        } else {
            EXPECT_TRUE(opened.empty()) << c.selection;
        }
    }
    opened.clear();
    choose(L"two words", 15);
    choose(L"fish & chips #1", 15);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], L"https://www.google.com/search?q=two+words");
    EXPECT_EQ(opened[1], L"https://www.google.com/search?q=fish+%26+chips+%231");
    opened.clear();
    choose(std::wstring(1500, L'q'), 15);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].size(), 1023u);
}

TEST_F(BufferMenuTest, CopyPasteAndCopyToSendBox) {
    // Characters outside the code page survive as Unicode; the 8-bit copy
    // holds the code page's rendering for programs that read only that.
    const std::wstring greek = L"\u03a9mega caf\u00e9";
    choose(greek, 16);
    EXPECT_EQ(clipboard_text<std::wstring>(CF_UNICODETEXT), greek);
    choose(L"caf\u00e9", 16);
    EXPECT_EQ(clipboard_text<std::string>(CF_TEXT), "caf\xe9");

    SetWindowTextW(input, L"hello ");
    choose(L"there", 17);
    EXPECT_EQ(input_text(), L"hello there");

    // Paste replaces the whole line; 8-bit bytes above 127 keep their codes.
    put_on_clipboard(CF_TEXT, "caf\xe9", 5);
    EXPECT_TRUE(paste_to_input(client));
    EXPECT_EQ(input_text(), L"caf\u00e9");
    put_on_clipboard(CF_UNICODETEXT, greek.c_str(), (greek.size() + 1) * sizeof(wchar_t));
    EXPECT_TRUE(paste_to_input(client));
    EXPECT_EQ(input_text(), greek);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_FALSE(paste_to_input(client));
    EXPECT_EQ(input_text(), greek);
    EXPECT_EQ(boxes->take(), L"Clipboard error: No text in Clipboard\n");
    EXPECT_FALSE(copy_to_clipboard(client, std::wstring()));
}

TEST_F(BufferMenuTest, SaveChatWritesTheWholeBufferUnderItsTime) {
    const SYSTEMTIME time{2026, 12, 0, 6, 14, 5, 9, 0};
    const std::wstring downloads = std::wstring(client.app_folder) + L"Downloads\\";
    const std::wstring path = downloads + L"Chat_#room_2026_12_6_14_5_9.txt";
    DeleteFileW(path.c_str());
    clear_chat(client, slot);
    EXPECT_TRUE(save_chat(client, slot, time));
    EXPECT_FALSE(net_test::file_exists(path));

    std::string expected;
    for (int i = 0; i < 400; ++i) {
        const std::wstring line = format_text(L"line %d of a long conversation, padded to be long", i);
        write(line);
        expected += narrow_text(line.c_str(), CP_THREAD_ACP) + "\r\n";
    }
    ASSERT_GT(expected.size(), 16383u);
    EXPECT_TRUE(save_chat(client, slot, time));
    EXPECT_EQ(read_file_bytes(path), expected);
    pump_messages();

    // Names from the server never lead out of the folder or past 127 characters.
    const std::wstring hostile = saved_chat_file_name(L"#a/..\\..\\b:c" + std::wstring(200, L'x'), time);
    EXPECT_EQ(hostile.find_first_of(L"/\\:"), std::wstring::npos);
    EXPECT_EQ(hostile.compare(0, 14, L"Chat_#a_.._.._"), 0) << hostile;
    EXPECT_EQ(hostile.size(), 127u + 4);
    EXPECT_EQ(hostile.substr(hostile.size() - 21), L"_2026_12_6_14_5_9.txt");

    const std::wstring saved_folder = client.app_folder;
    copy_text(client.app_folder, make_temp_folder(L"no-downloads").c_str());
    EXPECT_FALSE(save_chat(client, slot, time));
    copy_text(client.app_folder, saved_folder.c_str());
    EXPECT_EQ(boxes->take(), L"File error: Unable to create chat file.\n");
}

// A chat with characters the code page lacks is saved whole, as UTF-8 after a
// byte order mark; one the code page holds is saved in it (above).
TEST_F(BufferMenuTest, SaveChatBeyondTheCodePageIsUtf8WithItsMark) {
    const SYSTEMTIME time{2026, 12, 0, 6, 14, 5, 10, 0};
    const std::wstring path = std::wstring(client.app_folder) + L"Downloads\\Chat_#room_2026_12_6_14_5_10.txt";
    clear_chat(client, slot);
    write(L"caf\u00e9 \u20ac");
    write(L"\u041f\u0440\u0438\u0432\u0435\u0442 \u4e2d\u6587 \U0001F600");
    EXPECT_TRUE(save_chat(client, slot, time));
    EXPECT_EQ(read_file_bytes(path), "\xEF\xBB\xBF" "caf\xC3\xA9 \xE2\x82\xAC\r\n"
                                         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87 "
                                         "\xF0\x9F\x98\x80\r\n");
}
