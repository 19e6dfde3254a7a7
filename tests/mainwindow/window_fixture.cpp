#include "window_fixture.h"

#include <commctrl.h>

#include <vector>

#include "framework/message_box.h"
#include "mainwindow/main_window.h"
#include "support/test_client.h"

MainWindowTest::MainWindowTest() : client(test_client()) {}

void MainWindowTest::SetUp() {
    if (!IsWindowVisible(client.main_window)) ShowWindow(client.main_window, SW_SHOWNA);
    disconnect_reset(client);
    pump_messages();
}

void MainWindowTest::TearDown() {
    set_message_box_hook(nullptr);
    client.chats[0].unread = false;
    client.chats[0].mention = false;
    disconnect_reset(client);
    pump_messages();
}

void MainWindowTest::click_tab(int slot) const {
    SendMessageW(client.main_window, WM_COMMAND, MAKEWPARAM(201 + 2 * slot, BN_CLICKED),
                 reinterpret_cast<LPARAM>(client.chats[slot].button));
}

bool MainWindowTest::menu_enabled(int command) const {
    const UINT state = GetMenuState(client.menu, command, MF_BYCOMMAND);
    return state != UINT(-1) && !(state & (MF_DISABLED | MF_GRAYED));
}

bool MainWindowTest::menu_greyed(int command) const {
    const UINT state = GetMenuState(client.menu, command, MF_BYCOMMAND);
    return state != UINT(-1) && (state & MF_DISABLED) && (state & MF_GRAYED);
}

std::wstring MainWindowTest::status_text(int part) const {
    return ::status_text(client, part);
}

COLORREF brush_colour(HBRUSH brush, bool& solid) {
    LOGBRUSH description{};
    solid = GetObjectW(brush, sizeof description, &description) == sizeof description && description.lbStyle == BS_SOLID;
    return description.lbColor;
}

std::vector<COLORREF> bitmap_pixels(HBITMAP bitmap) {
    BITMAP shape{};
    GetObjectW(bitmap, sizeof shape, &shape);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(shape.bmWidth) * shape.bmHeight);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, shape.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    std::vector<COLORREF> colours;
    for (const RGBQUAD& p : pixels) colours.push_back(RGB(p.rgbRed, p.rgbGreen, p.rgbBlue));
    return colours;
}

COLORREF bitmap_pixel(HBITMAP bitmap, int x, int y) {
    BITMAP shape{};
    GetObjectW(bitmap, sizeof shape, &shape);
    return bitmap_pixels(bitmap).at(static_cast<size_t>(y) * shape.bmWidth + x);
}

std::vector<HWND> chat_specific_controls(const ChatClient& c) {
    return {c.close_tab_button,    c.users_label,         c.private_chat_button, c.kick_button,
            c.voice_off_button,    c.voice_on_button,     c.filter_users_check,  c.encrypt_check,
            c.encrypt_banner,      c.encrypted_text_edit, c.share_ip_check,      c.password_label,
            c.password_combo,      c.password_edit,       c.user_info_group,     c.user_info_edit,
            c.file_transfer_group, c.peer_ip_edit,        c.get_ip_button,       c.file_path_edit,
            c.browse_button,       c.send_file_button,    c.moderated_icon,      c.operator_icon,
            c.secret_icon,         c.key_icon,            c.compatible_icon,     c.lock_icon};
}

std::vector<HWND> identification_controls(const ChatClient& c) {
    return {c.logo_button,    c.identification_group, c.server_name_label, c.server_name_edit,
            c.nickname_label, c.nickname_edit,        c.my_ip_label,       c.my_ip_edit};
}
