#include "app/chat_client.h"

#include "chat/chat_tabs.h"
#include "controls/input_edit.h"
#include "dialogs/nicknames_favorites_dialog.h"
#include "framework/fatal_error.h"
#include "framework/message_box.h"
#include "irc/sounds.h"
#include "links/link_download.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "connection/receive_loop.h"
#include "connection/reconnect.h"
#include "resources/resource_ids.h"
#include "transfer/file_receiver.h"
#include "transfer/file_sender.h"

std::atomic<ChatClient*> the_client{nullptr};
std::atomic<bool> startup_in_progress{true};

namespace {
// Never destroyed: a thread that outlives the client may still ask for it
// while the process's static objects are going. Recursive, so that a use
// may show a notice, which asks for the client again.
std::recursive_mutex& client_lifetime_lock() {
    static std::recursive_mutex* lock = new std::recursive_mutex;
    return *lock;
}

void reset_slots(ChatClient& client) {
    for (int slot = 0; slot < chat_slot_count; ++slot) {
        ChatRecord& chat = client.chats[slot];
        chat.slot = slot;
        chat.control_id = 200 + 2 * slot;
    }
}
}  // namespace

bool use_live_client(const std::function<void(ChatClient&)>& use) {
    std::lock_guard<std::recursive_mutex> guard(client_lifetime_lock());
    ChatClient* client = the_client;
    if (!client) return false;
    use(*client);
    return true;
}

void retire_client(const ChatClient& client) {
    std::lock_guard<std::recursive_mutex> guard(client_lifetime_lock());
    ChatClient* expected = const_cast<ChatClient*>(&client);
    the_client.compare_exchange_strong(expected, nullptr);
}

ChatClient::ChatClient(int show, const wchar_t* class_name_text, HINSTANCE module, const wchar_t* title) {
    instance = module;
    class_name = class_name_text;
    window_title = title;
    icon_id = IDI_QUILLMERE;
    small_icon_id = IDI_QUILLMERE_SMALL;
    menu_id = IDR_MAIN_MENU;
    show_command = show;
    if (!register_window_class(*this)) fatal_error(L"Register window class of the application.");
    connection.socket = &server_socket;
    reset_slots(*this);
    chats[0].unread = false;
    current_chat = &chats[0];
    the_client = this;
}

ChatClient::~ChatClient() {
    retire_client(*this);
}

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
    case WM_PARENTNOTIFY:
        adopt_child_window(*this, wparam, lparam);
        break;
    case WM_DRAWITEM:
        if (draw_tab_button(*this, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
        break;
    case WM_SIZE:
        layout_main_window(*this);
        return 0;
    case WM_SETFOCUS:
        focus_input_line(*this);
        return 0;
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

void ChatClient::shut_down() {
    const bool was_connected = server_socket.connected != 0;
    refuse_reconnect(*this);
    if (was_connected) {
        // Best effort: the QUIT is given a moment to leave, never more.
        send_command(server_socket, irc::quit);
        wait_urgent_lines_sent(server_socket, quit_leave_wait_ms);
    }
    // The receive thread uses this object and static ones: it ends first. The
    // connection is closed on the way, its session already over, so the thread
    // takes the closed socket for the end it is, not for a silent server.
    stop_receive_thread(*this);
    // Downloads the receive thread started: none waits, none starts, and the
    // running ones are cut off before the objects they report to go.
    stop_downloads();
    // File transfers end before the objects their threads use: a transfer cut
    // here leaves no file behind on either side.
    stop_file_receiver(*this, true);
    stop_file_senders();
    if (was_connected) disconnect_reset(*this);
    WSACleanup();
    filter_keywords.clear();
    channel_directory.clear();
    stop_sounds();
}
