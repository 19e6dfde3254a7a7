#include "dialogs/manual_dialogs.h"

#include "dialogs/dialog_controls.h"
#include "dialogs/help_texts.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

namespace {
constexpr int help_boxes[] = {IDC_HELP_FEATURES, IDC_HELP_COMPATIBILITY, IDC_HELP_MESSAGES, IDC_HELP_FILES};
}  // namespace

INT_PTR ManualDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        for (int box : help_boxes)
            if (GetDlgItem(dialog, box)) set_item_text(dialog, box, help_text(box));
        if (GetDlgItem(dialog, IDC_HELP_USES_PICTURE)) {
            // The pictures the private chat shows: its compatibility mark, and the mark's absence.
            uses_ = load_dialog_bitmap(instance, IDB_COMPATIBLE, dialog);
            not_uses_ = load_dialog_bitmap(instance, IDB_NOT_COMPATIBLE, dialog);
            SendDlgItemMessageW(dialog, IDC_HELP_USES_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(uses_));
            SendDlgItemMessageW(dialog, IDC_HELP_NOT_USES_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                                reinterpret_cast<LPARAM>(not_uses_));
        }
        return TRUE;
    case WM_DESTROY:
        for (HBITMAP* picture : {&uses_, &not_uses_}) {
            if (*picture) DeleteObject(*picture);
            *picture = nullptr;
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wparam) != IDOK && LOWORD(wparam) != IDCANCEL) return FALSE;
        EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    default:
        return FALSE;
    }
}
