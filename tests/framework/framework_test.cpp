#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/chat_client.h"
#include "framework/dialog.h"
#include "framework/fatal_error.h"
#include "framework/subclassed_window.h"
#include "resources/resource_ids.h"
#include "support/modal_dialog.h"
#include "support/test_client.h"
#include "support/window_probe.h"

namespace {

class RecordingControl : public SubclassedWindow {
public:
    std::vector<UINT> seen;
    LRESULT handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) override {
        seen.push_back(message);
        if (message == WM_USER + 77) return 4242;
        return pass_on(control, message, wparam, lparam);
    }
};

TEST(SubclassedWindow, MessagesReachTheObjectAndPassOnToTheControl) {
    RecordingControl control;
    control.window = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(control.window, nullptr);
    control.subclass();
    EXPECT_EQ(SendMessageW(control.window, WM_USER + 77, 0, 0), 4242);
    SetWindowTextW(control.window, L"passed on");
    wchar_t text[32] = {};
    GetWindowTextW(control.window, text, 32);
    EXPECT_STREQ(text, L"passed on");  // the edit's own procedure still does its work
    EXPECT_NE(std::find(control.seen.begin(), control.seen.end(), UINT(WM_SETTEXT)), control.seen.end());
    DestroyWindow(control.window);
}

class RecordingDialog : public Dialog {
public:
    using Dialog::Dialog;
    std::vector<UINT> seen;
    INT_PTR handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) override {
        seen.push_back(message);
        if (message == WM_INITDIALOG) {
            PostMessageW(dialog, WM_USER + 5, 0, 0);
            return TRUE;
        }
        if (message == WM_USER + 5) {
            EndDialog(dialog, 77);
            return TRUE;
        }
        return FALSE;
    }
};

TEST(Dialog, MessagesReachTheObjectFromInitDialogOn) {
    ChatClient& client = test_client();
    RecordingDialog dialog(client.instance, IDD_ABOUT, client.main_window);
    EXPECT_EQ(dialog.show(), 77);
    ASSERT_FALSE(dialog.seen.empty());
    EXPECT_EQ(dialog.seen.front(), UINT(WM_INITDIALOG));
    EXPECT_NE(std::find(dialog.seen.begin(), dialog.seen.end(), UINT(WM_USER + 5)), dialog.seen.end());
}

TEST(MainWindow, IsResizableWithTitleClassAndFullMenu) {
    ChatClient& client = test_client();
    HWND window = client.main_window;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(reinterpret_cast<ChatClient*>(GetWindowLongPtrW(window, 0)), &client);
    wchar_t text[100];
    GetWindowTextW(window, text, 100);
    EXPECT_STREQ(text, L"Quillmere v1.5b");
    GetClassNameW(window, text, 100);
    EXPECT_STREQ(text, L"QuillmereWindowClass");
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    HMENU menu = GetMenu(window);
    ASSERT_NE(menu, nullptr);
    const wchar_t* tops[] = {L"IRC Server", L"Channel", L"Nickname", L"Settings", L"Help"};
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    for (int i = 0; i < 5; ++i) {
        GetMenuStringW(menu, i, text, 100, MF_BYPOSITION);
        EXPECT_STREQ(text, tops[i]);
    }
    const UINT commands[] = {32771, 32772, 107,   32776, 32777, 32780, 32781, 32782, 32783, 32784, 32785, 32790,
                             32786, 32787, 32788, 32789, 32791, 32792, 32779, 32778, 32775, 32773, 32774, 32796,
                             32797, 106,   105};
    for (UINT id : commands) EXPECT_GE(GetMenuStringW(menu, id, text, 100, MF_BYCOMMAND), 1) << id;
}

TEST(MainWindow, AltQuestionMarkAndAltSlashOpenAbout) {
    ChatClient& client = test_client();
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(accelerators, nullptr);
    BYTE saved[256];
    GetKeyboardState(saved);
    for (bool shift : {true, false}) {  // Alt+? and Alt+/ on the "/?" key
        BYTE keys[256] = {};
        keys[VK_MENU] = keys[VK_LMENU] = 0x80;
        if (shift) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
        SetKeyboardState(keys);
        std::wstring caption;
        const bool opened = run_modal(
            [&] {
                MSG msg{client.main_window, WM_SYSKEYDOWN, VK_OEM_2, 1 << 29};
                EXPECT_TRUE(TranslateAcceleratorW(client.main_window, accelerators, &msg));
            },
            [&](HWND about) {
                caption = window_text(about);
                press(about, IDOK);
            });
        SetKeyboardState(saved);
        EXPECT_TRUE(opened) << "shift " << shift;
        EXPECT_EQ(caption, L"About Quillmere") << "shift " << shift;
    }
}

TEST(FatalError, TextNamesOperationCodeAndSystemText) {
    std::wstring text = fatal_error_text(L"Register window class of the application.", ERROR_CLASS_ALREADY_EXISTS);
    const std::wstring head = L"Register window class of the application. failed. Error 1410\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0) << std::string(text.begin(), text.end());
    EXPECT_GT(text.size(), head.size());  // the system's own description follows
}

// The real fatal path runs in a child process: a second ChatClient cannot
// register the class, which must end the process with the system's code.
TEST(FatalError, SecondRegistrationEndsProcessWithErrorCode) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring box_file = make_temp_folder(L"fatal") + L"box.txt";
    std::wstring command = L"\"" + std::wstring(exe) + L"\" --construct-twice \"" + box_file + L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    EXPECT_EQ(code, 1410u);
    FILE* f = _wfopen(box_file.c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    wchar_t box[512] = {};
    fread(box, sizeof(wchar_t), 511, f);
    fclose(f);
    EXPECT_EQ(std::wstring(box).rfind(L"Application error|Register window class of the application. failed. Error 1410\n", 0), 0u)
        << std::string(box, box + wcslen(box));
}

}  // namespace
