#include "app/chat_client.h"
#include "app/text.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/password_table.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
constexpr int password_limit = password_capacity - 1;
int password_item(int number) { return IDC_PASSWORD_FIRST + number - 1; }
}  // namespace

void PasswordsDialog::open(HWND dialog) {
    // What the program uses now, not a reload: the file may have been edited
    // since, and these are the passwords messages are being read with.
    for (int number = 1; number <= password_count; ++number) {
        limit_item(dialog, password_item(number), password_limit);
        const std::string stored = stored_password(client_, number);
        std::wstring text = latin1_text(stored.data(), stored.size());
        set_item_text(dialog, password_item(number), text);
        SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    }
}

void PasswordsDialog::save(HWND dialog) {
    bool too_short = false;
    int unstorable = 0;  // the first password that has no 8-bit form, named in the box
    for (int number = 1; number <= password_count; ++number) {
        std::wstring text = item_text(dialog, password_item(number), password_limit);
        if (is_too_short(text)) too_short = true;
        else if (!is_storable_password(text)) unstorable = unstorable ? unstorable : number;
        else write_setting(client_, settings_key::passwords_section,
                           numbered_key(settings_key::user_password, number).c_str(), text);
        SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    }
    load_settings(client_, SettingsGroup::passwords);
    if (too_short) show_refusal(dialog, dialog_text::password_length, dialog_text::password_length_title);
    if (unstorable)
        show_refusal(dialog, format_text(dialog_text::password_character, unstorable).c_str(),
                     dialog_text::password_character_title);
    if (!too_short && !unstorable) EndDialog(dialog, IDOK);
}
