#pragma once
#include <windows.h>

#include <string>

#include "framework/dialog.h"

class ChatClient;

// A dialog of the program that works on the one ChatClient.
class ClientDialog : public Dialog {
public:
    ClientDialog(HINSTANCE instance, int template_id, HWND owner, ChatClient& client)
        : Dialog(instance, template_id, owner), client_(client) {}

protected:
    ChatClient& client_;
};

// The control's text, at most `limit` characters.
std::wstring item_text(HWND dialog, int id, int limit);
void set_item_text(HWND dialog, int id, const std::wstring& text);
void limit_item(HWND dialog, int id, int limit);
bool is_item_checked(HWND dialog, int id);
void check_item(HWND dialog, int id, bool on);
void enable_item(HWND dialog, int id, bool on);

// Passwords, nicknames and user names are either empty or long enough to be
// worth keeping: a text of 1 to 5 characters is refused.
bool is_too_short(const std::wstring& text);

// A plain OK box without icon, owned by the dialog.
void show_refusal(HWND dialog, const wchar_t* text, const wchar_t* title);

// A bitmap resource for a dialog's picture, at the dialog's scale; the
// caller deletes it.
HBITMAP load_dialog_bitmap(HINSTANCE instance, int id, HWND dialog);
