// Building the main window (WM_USER), in the order the rest of the program
// relies on: the status bar before anything may write a notice, the server tab
// before the settings are read, and startup_in_progress cleared last.

#include <memory>

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "controls/input_edit.h"
#include "dialogs/about_dialog.h"
#include "dialogs/demo_dialog.h"
#include "mainwindow/build_steps.h"
#include "mainwindow/control_table.h"
#include "mainwindow/demo_tabs.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_pictures.h"
#include "mainwindow/window_layout.h"
#include "chat/ui_post.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"

namespace {
constexpr const wchar_t* font_face = L"MS Shell Dlg 2";
constexpr int font_weight = 500;
constexpr int normal_font_height = 18, normal_font_width = 8;
constexpr int small_font_height = 14, small_font_width = 6;

constexpr const wchar_t* server_tab_name = L"IRC Server";
constexpr const wchar_t* server_banner = L"********** IRC Server **********\r\n";

HFONT make_font(int height, int width) {
    return CreateFontW(height, width, 0, 0, font_weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font_face);
}

void set_font(HWND control, HFONT font) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void open_server_tab(ChatClient& client) {
    create_chat(client, server_tab_name, false);
    client.current_chat = &client.chats[0];
    append_chat_text(server_banner, client, 0, colour_server_text, colour_black, true);
}

void load_start_settings(ChatClient& client) {
    load_settings(client, SettingsGroup::passwords);
    load_settings(client, SettingsGroup::preferences);
    load_settings(client, SettingsGroup::servers);
    load_settings(client, SettingsGroup::favorite_nicknames);
}
}  // namespace

void create_input_line(ChatClient& client) {
    // Auto-scrolling vertically: a long line must fit the 479 characters even
    // when it wraps past the four visible lines.
    HWND line = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL,
                                input_line_left, input_line_top, input_line_width, input_line_height, client.main_window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_INPUT_EDIT)), client.instance, nullptr);
    if (!line) return;
    client.input_edit = std::make_unique<InputEdit>(&client);
    client.input_edit->window = line;
    client.input_edit->subclass();
    client.input_window = line;
    set_font(line, client.font_normal);
    SendMessageW(line, EM_SETLIMITTEXT, input_line_limit, 0);
}

void create_main_controls(ChatClient& client) {
    for (int i = 0; i < main_window_control_count; ++i) {
        const ControlSpec& spec = main_window_controls[i];
        HWND control = CreateWindowExW(spec.ex_style, spec.class_name, spec.text, WS_CHILD | spec.style, spec.left,
                                       spec.top, spec.width, spec.height, client.main_window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), client.instance, nullptr);
        client.*spec.field = control;
        if (!control) continue;
        set_font(control, spec.small_font ? client.font_small : client.font_normal);
        if (spec.text_limit) SendMessageW(control, EM_SETLIMITTEXT, spec.text_limit, 0);
        if (spec.bitmap) {
            // Buttons do not own their pictures; these live as long as the window.
            HANDLE picture = LoadImageW(client.instance, MAKEINTRESOURCEW(spec.bitmap), IMAGE_BITMAP, 0, 0, 0);
            if (picture) SendMessageW(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        }
    }
    if (client.title_band)
        SetWindowPos(client.title_band, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    show_connection_state(client, false);
}

void build_main_window(ChatClient& client) {
    client.font_normal = make_font(normal_font_height, normal_font_width);
    client.font_small = make_font(small_font_height, small_font_width);
    create_status_bar(client);
    client.about_dialog = std::make_unique<AboutDialog>(client.instance, IDD_ABOUT, client.main_window);
    open_server_tab(client);
    create_input_line(client);
    create_main_controls(client);
    create_tooltips(client);
    client.menu = GetMenu(client.main_window);
    set_initial_menu_state(client);
    set_menu_pictures(client);
    // The first WM_SIZE comes only when the window is shown: place the server
    // tab's buffer now, for a window that starts hidden.
    layout_main_window(client);
    set_app_folder(client);
    // Boxes other threads raise are shown from this thread's queue: without
    // it they would be shown on the raising thread and stop it until closed.
    start_ui_posts();
    load_start_settings(client);
    startup_in_progress = false;
    start_requested_demo(client);
    start_requested_dialog(client);
}
