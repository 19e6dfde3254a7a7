#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "net/server_socket.h"

bool run_child_mode(int argc, wchar_t** argv);

// Every test executable starts the way the program does: Winsock, the rich-edit
// library and the common controls.
int main(int argc, char** argv) {
    int wargc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    if (run_child_mode(wargc, wargv)) return 0;
    testing::InitGoogleTest(&argc, argv);
    start_network();
    // Lines leave as fast as the socket takes them; the tests of the pacing
    // itself switch it back on.
    SendQueue::set_paced(false);
    LoadLibraryW(L"Msftedit.dll");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    return RUN_ALL_TESTS();
}
