#include <windows.h>
#include <commctrl.h>

#include "app/chat_client.h"
#include "app/limits.h"
#include "dialogs/demo_dialog.h"
#include "framework/basic_window.h"
#include "mainwindow/demo_tabs.h"
#include "net/server_socket.h"
#include "resources/resource_ids.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
    wchar_t title[window_text_capacity] = {};
    wchar_t class_name[window_text_capacity] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, window_text_capacity);
    LoadStringW(instance, IDS_WINDOW_CLASS, class_name, window_text_capacity);
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));

    start_network();
    LoadLibraryW(L"Msftedit.dll");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    request_demo_tabs(command_line);  // "--demo-tabs": sample chats for screenshots
    request_demo_dialog(command_line);  // "--demo-dialog=...": a dialog for screenshots
    ChatClient client(show_command, class_name, instance, title);
    run_message_loop(client, accelerators);
    client.shut_down();
    return 0;
}
