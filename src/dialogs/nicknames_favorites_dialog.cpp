#include "dialogs/nicknames_favorites_dialog.h"

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "net/irc_commands.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
constexpr int nickname_limit = nickname_capacity - 1;
int nickname_item(int number) { return IDC_FAVORITE_NICKNAME_FIRST + number - 1; }
int chat_item(int number) { return IDC_FAVORITE_CHAT_FIRST + number - 1; }
int picture_item(int number) { return IDC_FAVORITE_PICTURE_FIRST + number - 1; }

void show_picture(HWND dialog, int number, HBITMAP picture) {
    SendDlgItemMessageW(dialog, picture_item(number), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}
}  // namespace

INT_PTR NicknamesFavoritesDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        // Kept from here to WM_DESTROY only: an ISON reply looks at it to
        // know whether the dialog is on the screen.
        dialog_window_ = dialog;
        open(dialog);
        return TRUE;
    case WM_DESTROY:
        for (HBITMAP* picture : {&unknown_, &offline_, &online_}) {
            if (*picture) DeleteObject(*picture);
            *picture = nullptr;
        }
        dialog_window_ = nullptr;
        return FALSE;
    case WM_COMMAND:
        break;
    default:
        return FALSE;
    }
    const int id = LOWORD(wparam);
    if (id == IDOK || id == IDCANCEL) {
        if (id == IDOK) save(dialog);
        EndDialog(dialog, id);
    } else if (id == IDC_FAVORITE_CHECK_NOW) {
        save(dialog);
        check_favorites_online(client_);
    } else if (id >= chat_item(1) && id <= chat_item(favorite_nickname_count)) {
        const std::wstring nickname = item_text(dialog, nickname_item(id - chat_item(1) + 1), nickname_limit);
        if (!nickname.empty()) open_private_chat(client_, nickname.c_str(), true);
    } else {
        return FALSE;
    }
    return TRUE;
}

void NicknamesFavoritesDialog::open(HWND dialog) {
    load_settings(client_, SettingsGroup::favorite_nicknames);
    unknown_ = load_dialog_bitmap(instance, IDB_STATUS_UNKNOWN, dialog);
    offline_ = load_dialog_bitmap(instance, IDB_NOT_CONNECTED, dialog);
    online_ = load_dialog_bitmap(instance, IDB_CONNECTED, dialog);
    for (int number = 1; number <= favorite_nickname_count; ++number) {
        limit_item(dialog, nickname_item(number), nickname_limit);
        set_item_text(dialog, nickname_item(number), client_.favorite_nicknames[number].nickname);
        show_picture(dialog, number, unknown_);
        enable_item(dialog, chat_item(number), false);
    }
    check_item(dialog, IDC_FAVORITE_EVERY_TWO_MINUTES, client_.check_nicknames_online_time);
    connected_at_open_ = client_.server_socket.connected != 0;
    enable_item(dialog, IDC_FAVORITE_CHECK_NOW, connected_at_open_);
    enable_item(dialog, IDC_FAVORITE_EVERY_TWO_MINUTES, connected_at_open_);
}

void NicknamesFavoritesDialog::save(HWND dialog) {
    using namespace settings_key;
    for (int number = 1; number <= favorite_nickname_count; ++number)
        write_setting(client_, nicknames_favorite_section, numbered_key(nickname_favorite, number).c_str(),
                      item_text(dialog, nickname_item(number), nickname_limit));
    const bool every_two_minutes = is_item_checked(dialog, IDC_FAVORITE_EVERY_TWO_MINUTES);
    set_favorites_timer(client_, every_two_minutes);
    write_switch_setting(client_, nicknames_favorite_section, check_nicknames_online_time, every_two_minutes);
    load_settings(client_, SettingsGroup::favorite_nicknames);
}

void NicknamesFavoritesDialog::refresh_favorites_status() {
    if (!dialog_window_) return;
    // The stored nicknames were asked about, not what is typed and unsaved.
    for (int number = 1; number <= favorite_nickname_count; ++number) {
        const FavoriteNickname& favorite = client_.favorite_nicknames[number];
        if (!favorite.nickname[0]) continue;
        show_picture(dialog_window_, number, favorite.online ? online_ : offline_);
        enable_item(dialog_window_, chat_item(number), favorite.online);
    }
}

void check_favorites_online(ChatClient& client) {
    std::wstring nicknames;
    for (int number = 1; number <= favorite_nickname_count; ++number) {
        const wchar_t* nickname = client.favorite_nicknames[number].nickname;
        if (!nickname[0]) continue;
        if (!nicknames.empty()) nicknames += L' ';
        nicknames += nickname;
    }
    if (nicknames.empty()) return;
    for (int number = 1; number <= favorite_nickname_count; ++number) client.favorite_nicknames[number].online = false;
    send_command(client.server_socket, irc::ison, nicknames);
}

void set_favorites_timer(ChatClient& client, bool on) {
    if (on && !client.favorites_timer_running && client.server_socket.connected && client.main_window) {
        client.favorites_timer_running =
            SetTimer(client.main_window, favorites_timer_id, favorites_timer_period_ms, nullptr) != 0;
    } else if (!on && client.favorites_timer_running) {
        KillTimer(client.main_window, favorites_timer_id);
        client.favorites_timer_running = false;
    }
}

bool refresh_open_favorites_dialog(ChatClient& client) {
    auto* dialog = static_cast<NicknamesFavoritesDialog*>(client.nicknames_favorites_dialog.get());
    if (!dialog || !dialog->is_visible()) return false;
    dialog->refresh_favorites_status();
    return true;
}
