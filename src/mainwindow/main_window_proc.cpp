// The main window's procedure: what each message to the main window does.

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/line_time.h"
#include "controls/find_box.h"
#include "controls/input_edit.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "framework/message_box.h"
#include "mainwindow/main_window.h"
#include "mainwindow/mention_notice.h"
#include "mainwindow/window_scale.h"
#include "resources/resource_ids.h"

LRESULT ChatClient::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case msg_build_controls:
        build_main_window(*this);
        return 0;
    case msg_open_channel:
    case msg_open_private_chat:
        return create_chat(*this, reinterpret_cast<const wchar_t*>(wparam), message == msg_open_channel);
    case msg_close_chat:
        close_chat(*this, reinterpret_cast<const wchar_t*>(wparam));
        return 0;
    case msg_run_on_ui_thread:
        return run_ui_task(wparam, lparam);
    case WM_COMMAND:
        if (handle_command(*this, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam))) return 0;
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (HBRUSH brush = control_colours(*this, message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_TIMER:
        // The two-minute favourites check; nothing is asked while offline.
        if (wparam == favorites_timer_id && server_socket.connected) check_favorites_online(*this);
        return 0;
    case msg_mention_icon:
        mention_icon_event(*this, lparam);
        return 0;
    case WM_PARENTNOTIFY:
        adopt_child_window(*this, wparam, lparam);
        break;
    case WM_DRAWITEM:
        if (draw_tab_button(*this, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
        break;
    case WM_SIZE:
        if (wparam != SIZE_MINIMIZED) layout_main_window(*this);
        return 0;
    case WM_GETMINMAXINFO:
        limit_window_size(*this, *reinterpret_cast<MINMAXINFO*>(lparam));
        return 0;
    case WM_DPICHANGED:
        change_window_dpi(*this, LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_SETFOCUS:
        focus_input_line(*this);
        return 0;
    case WM_SETTINGCHANGE:  // the user's time format (the "intl" section)
    case WM_TIMECHANGE:     // the clock or the time zone
        forget_line_time_stamp();
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        confirm_exit();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void ChatClient::confirm_exit() {
    const bool online = server_socket.connected != 0;
    const wchar_t* text = online ? L"You are connected to IRC server.\nDo you want disconnect and exit ?"
                                 : L"Do you want exit ?";
    const wchar_t* caption = online ? L"Disconnect and exit" : L"Exit";
    if (show_message_box(main_window, text, caption, MB_YESNO | MB_ICONQUESTION) != IDNO) PostQuitMessage(0);
}
