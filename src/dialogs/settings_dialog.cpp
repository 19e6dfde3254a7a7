#include "dialogs/settings_dialogs.h"

INT_PTR SettingsDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        open(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    if (LOWORD(wparam) == IDOK) save(dialog);
    else if (LOWORD(wparam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
    else return command(dialog, wparam) ? TRUE : FALSE;
    return TRUE;
}
