#pragma once
#include <windows.h>

// The main window's object. The window procedure is static; it finds the object
// in the window's extra memory and forwards every message to it.
class BasicWindow {
public:
    HINSTANCE instance = nullptr;
    HWND main_window = nullptr;
    const wchar_t* class_name = L"";
    const wchar_t* window_title = L"";
    int icon_id = 0;
    int small_icon_id = 0;
    int menu_id = 0;
    int show_command = SW_SHOWNORMAL;

    virtual ~BasicWindow() = default;
    virtual LRESULT handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;

    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
};

// The size the window is first made at; it takes its real size (which
// depends on the screen's scale) once its object has built its controls.
constexpr int main_window_width = 1400;
constexpr int main_window_height = 750;

// Registers the class of the main window; false (with the system's last error
// set) when the system refuses it.
bool register_window_class(const BasicWindow& window);

// Creates the resizable main window, stores the object in it and sends WM_USER
// so that the object builds its controls. False when creation fails.
bool create_main_window(BasicWindow& window);

// A key message for the main window or one of its controls that the table
// turns into a command of the main window: sent there, true.
bool translate_window_keys(HWND main_window, HACCEL accelerators, MSG& msg);

// Creates the main window and runs the message loop until WM_QUIT; fatal when the
// window cannot be created. Returns the quit message's code.
int run_message_loop(BasicWindow& window, HACCEL accelerators);
