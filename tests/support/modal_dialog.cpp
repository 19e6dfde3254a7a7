#include "support/modal_dialog.h"

namespace {
std::function<void(HWND)> pending_drive;
bool dialog_seen = false;

BOOL CALLBACK find_dialog(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK drive_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;  // not shown yet: the next tick
    KillTimer(nullptr, timer);
    dialog_seen = true;
    std::function<void(HWND)> drive = std::move(pending_drive);
    pending_drive = nullptr;
    if (drive) drive(dialog);
    // A dialog that ended keeps its window, hidden, until its loop returns:
    // only one still shown is ended here, so that its own result stands.
    if (IsWindow(dialog) && IsWindowVisible(dialog)) EndDialog(dialog, IDABORT);
}
}  // namespace

bool run_modal(const std::function<void()>& open, const std::function<void(HWND)>& drive) {
    pending_drive = drive;
    dialog_seen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, drive_dialog);
    open();
    KillTimer(nullptr, timer);
    pending_drive = nullptr;
    return dialog_seen;
}

void press(HWND dialog, int id, int code) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void click_box(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
