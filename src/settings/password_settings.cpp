#include <windows.h>

#include <cstring>
#include <cwchar>
#include <mutex>

#include "app/chat_client.h"
#include "app/text.h"
#include "crypto/key_cache.h"
#include "settings/password_table.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_loaders.h"

namespace {

using PasswordTable = char[password_count + 1][password_capacity];

// The combo box lists the stored passwords in slot order; free slots are left
// out, and each item carries its slot number as item data.
void refill_password_combo(ChatClient& client, const PasswordTable& table) {
    if (client.password_combo && IsWindow(client.password_combo)) {
        SendMessageW(client.password_combo, CB_RESETCONTENT, 0, 0);
        for (int slot = 1; slot <= password_count; ++slot) {
            if (!table[slot][0]) continue;
            std::wstring text = latin1_text(table[slot], std::strlen(table[slot]));
            LRESULT item = SendMessageW(client.password_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            if (item >= 0) SendMessageW(client.password_combo, CB_SETITEMDATA, item, slot);
        }
    }
    if (client.password_edit && IsWindow(client.password_edit) && client.current_chat)
        SetWindowTextW(client.password_edit, client.current_chat->password);
}

}  // namespace

std::string narrow_password(const wchar_t* text) {
    // A character beyond U+00FF has no byte that every machine would agree
    // on; turning it into one anyway would make this side derive a key the
    // other side never will. The slot then counts as free, and the combo box
    // does not offer it, rather than standing for some other password.
    std::string narrow;
    if (!text || !latin1_bytes(text, std::wcslen(text), narrow)) return {};
    // Only a hand-edited file gets here; one byte per character, so the cut
    // always falls between characters.
    if (narrow.size() >= static_cast<size_t>(password_capacity)) narrow.resize(password_capacity - 1);
    return narrow;
}

bool is_storable_password(const std::wstring& text) {
    std::string narrow;
    const bool storable = latin1_bytes(text, narrow);
    SecureZeroMemory(narrow.data(), narrow.size());
    return storable;
}

std::string stored_password(const ChatClient& client, int slot) {
    if (slot < 1 || slot > password_count) return {};
    std::lock_guard<std::mutex> hold(client.password_lock);
    return std::string(client.encryption_passwords[slot], strnlen(client.encryption_passwords[slot], password_capacity));
}

void load_password_settings(ChatClient& client) {
    // Built aside and copied in under the lock, so that the receive thread and
    // the file receiver never meet a slot half written.
    PasswordTable table = {};
    for (int slot = 1; slot <= password_count; ++slot) {
        std::wstring value = read_setting(client, settings_key::passwords_section,
                                          numbered_key(settings_key::user_password, slot).c_str());
        copy_text(table[slot], narrow_password(value.c_str()).c_str());
    }
    {
        std::lock_guard<std::mutex> hold(client.password_lock);
        std::memcpy(client.encryption_passwords, table, sizeof table);
    }
    forget_derived_keys();
    // The lock is not held here: the combo box is filled with SendMessage.
    refill_password_combo(client, table);
    SecureZeroMemory(table, sizeof table);
}
