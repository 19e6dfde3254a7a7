// The main window at 96, 144 and 192 DPI, at its reference and its smallest
// size: no shown control overlaps another or leaves the client area, and
// every text fits its control in the control's own font.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "chat/chat_tabs.h"
#include "controls/buffer_edit.h"
#include "controls/find_box.h"
#include "framework/dpi.h"
#include "mainwindow/window_layout.h"
#include "mainwindow/window_scale.h"
#include "resources/resource_ids.h"
#include "window_fixture.h"

namespace {

// The window as it would be on a screen of `dpi` at client size `width` x
// `height` (96-DPI pixels above the status bar), through the system's message.
void show_at(ChatClient& client, UINT dpi, int width, int height) {
    RECT place{};
    GetWindowRect(client.main_window, &place);
    SendMessageW(client.main_window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
    const SIZE size = main_window_size(client, width, height);
    SetWindowPos(client.main_window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool is_class(HWND control, const wchar_t* name) { return lstrcmpiW(class_of(control).c_str(), name) == 0; }

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

SIZE text_size(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

// The room a control leaves its text: its frame, and a check box's box.
int text_room(HWND control, const RECT& rect, UINT dpi) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    int room = rect.right - rect.left;
    if (is_class(control, L"Button")) {
        const LONG kind = style & BS_TYPEMASK;
        const bool check = kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX;
        // A tab button (owner-drawn) pads its name by 6 on each side.
        room -= scaled(check ? 20 : kind == BS_GROUPBOX ? 16 : kind == BS_OWNERDRAW ? 12 : 8, dpi);
    }
    return room;
}

std::vector<HWND> shown_children(HWND parent) {
    std::vector<HWND> shown;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) shown.push_back(child);
    return shown;
}

// Group boxes and the title band hold controls; the chat area holds the Find box.
bool holds(const ChatClient& client, HWND outer, HWND inner) {
    const int id = GetDlgCtrlID(inner);
    if (outer == client.current_chat->buffer->window) return id >= IDC_FIND_LABEL && id <= IDC_FIND_NOTE;
    const bool group = is_class(outer, L"Button") && (GetWindowLongW(outer, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
    return (group || outer == client.title_band) && inside(child_rect(client.main_window, inner), child_rect(client.main_window, outer));
}

void check_layout(const ChatClient& client, UINT dpi) {
    RECT area{};
    GetClientRect(client.main_window, &area);
    const std::vector<HWND> shown = shown_children(client.main_window);
    for (HWND control : shown) {
        SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(control) << " " << window_text(control).c_str());
        const RECT rect = child_rect(client.main_window, control);
        EXPECT_TRUE(inside(rect, area)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
        for (HWND other : shown) {
            RECT both{};
            const RECT other_rect = child_rect(client.main_window, other);
            if (other != control && IntersectRect(&both, &rect, &other_rect) && !holds(client, control, other) &&
                !holds(client, other, control))
                ADD_FAILURE() << "overlaps control " << GetDlgCtrlID(other);
        }
        const std::wstring text = window_text(control);
        if (is_class(control, L"Button") && (GetWindowLongW(control, GWL_STYLE) & BS_BITMAP)) {
            BITMAP picture{};
            GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(control, BM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof picture, &picture);
            EXPECT_LE(picture.bmWidth, rect.right - rect.left);
            EXPECT_LE(picture.bmHeight, rect.bottom - rect.top);
        } else if (!text.empty() && (is_class(control, L"Button") || is_class(control, L"Static") || is_class(control, L"Edit"))) {
            const SIZE size = text_size(control, text);
            EXPECT_LE(size.cx, text_room(control, rect, dpi)) << "text wider than its control";
            EXPECT_LE(size.cy, rect.bottom - rect.top) << "text higher than its control";
        }
    }
}

class Layout : public MainWindowTest {
protected:
    UINT start_dpi = 0;
    void SetUp() override {
        MainWindowTest::SetUp();
        start_dpi = client.dpi;
    }
    void TearDown() override {
        show_at(client, start_dpi, reference_width, reference_height);
        close_every_chat(client);
        MainWindowTest::TearDown();
    }
};

TEST_F(Layout, StartsAtTheScreensScale) {
    // Set by the runs under a Wine prefix of another LogPixels.
    const char* expected = std::getenv("QUILLMERE_EXPECT_DPI");
    const UINT dpi = expected ? static_cast<UINT>(std::atoi(expected)) : 96;
    EXPECT_EQ(client.dpi, dpi);
    LOGFONTW font{};
    GetObjectW(client.font_normal, sizeof font, &font);
    EXPECT_EQ(font.lfHeight, scaled(18, dpi));
}

TEST_F(Layout, EveryViewFitsAtEveryScaleAndSize) {
    // Every tab open: the lowest tab buttons must fit too.
    for (int n = 1; n <= last_private_slot; ++n) create_chat(client, (L"peer" + std::to_wstring(n)).c_str(), false);
    for (int n = first_channel_slot; n <= last_channel_slot; ++n)
        create_chat(client, (L"#room" + std::to_wstring(n)).c_str(), true);
    client.chats[1].encrypt_messages = true;  // its banner shows
    for (UINT dpi : {96u, 144u, 192u}) {
        for (SIZE size : {SIZE{reference_width, reference_height}, SIZE{minimum_width, minimum_height}}) {
            show_at(client, dpi, size.cx, size.cy);
            for (int slot : {0, 1, first_channel_slot}) {
                SCOPED_TRACE(testing::Message() << dpi << " DPI, " << size.cx << " x " << size.cy << ", slot " << slot);
                click_tab(slot);
                if (slot == first_channel_slot) {
                    if (!client.find_box) client.find_box = std::make_unique<FindBox>(client);
                    client.find_box->open();
                }
                check_layout(client, dpi);
                if (client.find_box) client.find_box->close();
            }
        }
    }
}

TEST_F(Layout, TheWindowKeepsItsSmallestSizeAndTheChatGrowsWithIt) {
    for (UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        show_at(client, dpi, reference_width, reference_height);
        // Asked for less, the window keeps its smallest size, which fits a
        // 1366 x 768 screen at 100 % and a 1920 x 1080 one at 150 %, each
        // less a taskbar of 40 (60) pixels. The frame is drawn at the scale
        // the process started at: the fit counts at that scale only.
        SetWindowPos(client.main_window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
        RECT place;
        GetWindowRect(client.main_window, &place);
        const SIZE least = main_window_size(client, minimum_width, minimum_height);
        EXPECT_EQ(place.right - place.left, least.cx);
        EXPECT_EQ(place.bottom - place.top, least.cy);
        const bool own_scale = dpi == window_dpi(client.main_window);
        if (own_scale && dpi == 96) {
            EXPECT_LE(least.cx, 1366);
            EXPECT_LE(least.cy, 768 - 40);
        } else if (own_scale && dpi == 144) {
            EXPECT_LE(least.cx, 1920);
            EXPECT_LE(least.cy, 1080 - 60);
        }
        HWND watched[] = {client.chats[0].buffer->window, client.input_window, client.tabs_group, client.logo_button};
        RECT before[4], after[4];
        auto measure = [&](RECT* places) {
            for (int i = 0; i < 4; ++i) places[i] = child_rect(client.main_window, watched[i]);
        };
        measure(before);
        SetWindowPos(client.main_window, nullptr, 0, 0, least.cx + 100, least.cy + 50, SWP_NOMOVE | SWP_NOZORDER);
        measure(after);
        // The chat grows both ways, the input line along; the tabs keep to
        // the right edge, the logo to the top left.
        EXPECT_EQ(after[0].right - after[0].left, before[0].right - before[0].left + 100);
        EXPECT_EQ(after[0].bottom - after[0].top, before[0].bottom - before[0].top + 50);
        EXPECT_EQ(after[1].right, before[1].right + 100);
        EXPECT_EQ(after[1].top, before[1].top + 50);
        EXPECT_EQ(after[2].left, before[2].left + 100);
        EXPECT_TRUE(EqualRect(&after[3], &before[3]));
    }
}

}  // namespace
