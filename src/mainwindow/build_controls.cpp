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
#include "framework/dpi.h"
#include "mainwindow/build_steps.h"
#include "mainwindow/control_table.h"
#include "mainwindow/demo_tabs.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_pictures.h"
#include "mainwindow/window_layout.h"
#include "mainwindow/window_scale.h"
#include "chat/ui_post.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"

namespace {
constexpr const wchar_t* server_tab_name = L"IRC Server";
constexpr const wchar_t* server_banner = L"********** IRC Server **********\r\n";

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
    const RECT place = input_line_rect(current_layout_frame(client));
    HWND line = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL,
                                place.left, place.top, place.right - place.left, place.bottom - place.top,
                                client.main_window,
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
    const LayoutFrame frame = current_layout_frame(client);
    for (int i = 0; i < main_window_control_count; ++i) {
        const ControlSpec& spec = main_window_controls[i];
        const RECT place = place_in(frame, spec.left, spec.top, spec.width, spec.height, spec.across, spec.down);
        HWND control = CreateWindowExW(spec.ex_style, spec.class_name, spec.text, WS_CHILD | spec.style, place.left,
                                       place.top, place.right - place.left, place.bottom - place.top, client.main_window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), client.instance, nullptr);
        client.*spec.field = control;
        if (!control) continue;
        set_font(control, spec.small_font ? client.font_small : client.font_normal);
        if (spec.text_limit) SendMessageW(control, EM_SETLIMITTEXT, spec.text_limit, 0);
    }
    set_control_pictures(client);
    if (client.title_band)
        SetWindowPos(client.title_band, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    show_connection_state(client, false);
}

void build_main_window(ChatClient& client) {
    client.dpi = window_dpi(client.main_window);
    make_window_fonts(client);
    create_status_bar(client);
    client.about_dialog = std::make_unique<AboutDialog>(client.instance, IDD_ABOUT, client.main_window);
    open_server_tab(client);
    create_input_line(client);
    create_main_controls(client);
    create_tooltips(client);
    client.menu = GetMenu(client.main_window);
    set_initial_menu_state(client);
    set_menu_pictures(client);
    // The window was made at a size the system chose before the status bar
    // existed. Sizing it lays it out; the first WM_SIZE would come only when
    // it is shown, so a window that starts hidden is laid out here too.
    set_default_window_size(client);
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
