#include "framework/basic_window.h"

#include "framework/fatal_error.h"

LRESULT CALLBACK BasicWindow::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // The creation messages arrive before the object is stored: they go to the
    // default procedure.
    auto* object = reinterpret_cast<BasicWindow*>(GetWindowLongPtrW(window, 0));
    if (object) return object->handle_message(window, message, wparam, lparam);
    return DefWindowProcW(window, message, wparam, lparam);
}

bool register_window_class(const BasicWindow& window) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BasicWindow::window_procedure;
    wc.cbClsExtra = sizeof(LONG_PTR);
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = window.instance;
    wc.hIcon = LoadIconW(window.instance, MAKEINTRESOURCEW(window.icon_id));
    wc.hIconSm = LoadIconW(window.instance, MAKEINTRESOURCEW(window.small_icon_id));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    wc.lpszMenuName = window.menu_id ? MAKEINTRESOURCEW(window.menu_id) : nullptr;
    wc.lpszClassName = window.class_name;
    return RegisterClassExW(&wc) != 0;
}

bool create_main_window(BasicWindow& window) {
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, window.class_name, window.window_title,
                                WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                main_window_width, main_window_height, nullptr, nullptr, window.instance, nullptr);
    if (!hwnd) return false;
    window.main_window = hwnd;
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(&window));
    SendMessageW(hwnd, WM_USER, 0, 0);
    ShowWindow(hwnd, window.show_command);
    UpdateWindow(hwnd);
    return true;
}

bool translate_window_keys(HWND main_window, HACCEL accelerators, MSG& msg) {
    // The commands go to the main window whichever of its controls has the
    // focus; a dialog's keys stay the dialog's.
    if (msg.hwnd != main_window && !IsChild(main_window, msg.hwnd)) return false;
    return TranslateAcceleratorW(main_window, accelerators, &msg) != 0;
}

int run_message_loop(BasicWindow& window, HACCEL accelerators) {
    if (!create_main_window(window)) fatal_error(L"Create main window of the application.");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!translate_window_keys(window.main_window, accelerators, msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}
