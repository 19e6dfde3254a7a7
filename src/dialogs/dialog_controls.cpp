#include "dialogs/dialog_controls.h"

#include <vector>

#include "app/limits.h"
#include "framework/dpi.h"
#include "framework/message_box.h"

std::wstring item_text(HWND dialog, int id, int limit) {
    std::vector<wchar_t> buffer(static_cast<size_t>(limit) + 1, L'\0');
    const UINT length = GetDlgItemTextW(dialog, id, buffer.data(), limit + 1);
    return std::wstring(buffer.data(), length);
}

void set_item_text(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

void limit_item(HWND dialog, int id, int limit) { SendDlgItemMessageW(dialog, id, EM_LIMITTEXT, limit, 0); }

bool is_item_checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void check_item(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void enable_item(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

bool is_too_short(const std::wstring& text) {
    return !text.empty() && text.size() < static_cast<size_t>(min_secret_length);
}

void show_refusal(HWND dialog, const wchar_t* text, const wchar_t* title) { show_message_box(dialog, text, title, MB_OK); }

HBITMAP load_dialog_bitmap(HINSTANCE instance, int id, HWND dialog) {
    return load_scaled_bitmap(instance, id, window_dpi(dialog));
}
