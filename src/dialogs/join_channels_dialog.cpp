#include "dialogs/join_channels_dialog.h"

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"

namespace {
constexpr int name_limit = channel_name_capacity - 1;
constexpr int key_limit = channel_password_capacity - 1;
}  // namespace

INT_PTR JoinChannelsDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        open(dialog);
        return TRUE;
    case WM_DESTROY:
        if (picture_) DeleteObject(picture_);
        picture_ = nullptr;
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_JOIN_CHANNEL:
            pick(dialog);
            return TRUE;
        case IDC_JOIN_BUTTON:
        case IDOK:
            join(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

void JoinChannelsDialog::open(HWND dialog) {
    selected_index_ = -1;
    picture_ = load_dialog_bitmap(instance, IDB_JOIN_CHANNEL, dialog);
    SendDlgItemMessageW(dialog, IDC_JOIN_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    load_settings(client_, SettingsGroup::channels);
    HWND names = GetDlgItem(dialog, IDC_JOIN_CHANNEL);
    SendMessageW(names, CB_RESETCONTENT, 0, 0);
    SendMessageW(names, CB_LIMITTEXT, name_limit, 0);
    favorite_count_ = 0;
    for (int number = 1; number <= favorite_channel_count; ++number) {
        const FavoriteChannel& channel = client_.favorite_channels[number];
        if (!channel.name[0]) continue;
        SendMessageW(names, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(channel.name));
        copy_text(join_passwords_[favorite_count_++], channel.password);
    }
    set_item_text(dialog, IDC_JOIN_PASSWORD, L"");
    check_item(dialog, IDC_JOIN_USE_PASSWORD, false);
    enable_item(dialog, IDC_JOIN_USE_PASSWORD, false);
}

void JoinChannelsDialog::pick(HWND dialog) {
    selected_index_ = static_cast<int>(SendDlgItemMessageW(dialog, IDC_JOIN_CHANNEL, CB_GETCURSEL, 0, 0));
    // A name typed in keeps the password shown for the last favourite picked.
    if (selected_index_ < 0 || selected_index_ >= favorite_count_) return;
    const wchar_t* key = join_passwords_[selected_index_];
    set_item_text(dialog, IDC_JOIN_PASSWORD, key);
    enable_item(dialog, IDC_JOIN_USE_PASSWORD, key[0] != 0);
    check_item(dialog, IDC_JOIN_USE_PASSWORD, key[0] != 0);
}

void JoinChannelsDialog::join(HWND dialog) {
    wchar_t name[channel_name_capacity] = {};
    copy_text(name, item_text(dialog, IDC_JOIN_CHANNEL, name_limit).c_str());
    if (!name[0]) return;
    const std::wstring key = item_text(dialog, IDC_JOIN_PASSWORD, key_limit);
    const bool use_key = !key.empty() && is_item_checked(dialog, IDC_JOIN_USE_PASSWORD);
    request_join(name, client_, use_key ? key.c_str() : L"");
}
