#include "app/chat_client.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
constexpr int name_limit = channel_name_capacity - 1;
constexpr int key_limit = channel_password_capacity - 1;
int name_item(int number) { return IDC_CHANNEL_NAME_FIRST + number - 1; }
int key_item(int number) { return IDC_CHANNEL_PASSWORD_FIRST + number - 1; }
int autojoin_item(int number) { return IDC_CHANNEL_AUTOJOIN_FIRST + number - 1; }
}  // namespace

void ChannelsDialog::open(HWND dialog) {
    load_settings(client_, SettingsGroup::channels);
    for (int number = 1; number <= favorite_channel_count; ++number) {
        const FavoriteChannel& channel = client_.favorite_channels[number];
        limit_item(dialog, name_item(number), name_limit);
        limit_item(dialog, key_item(number), key_limit);
        set_item_text(dialog, name_item(number), channel.name);
        set_item_text(dialog, key_item(number), channel.password);
        check_item(dialog, autojoin_item(number), channel.autojoin);
    }
}

void ChannelsDialog::save(HWND dialog) {
    using namespace settings_key;
    bool bad_name = false, bad_key = false;
    for (int number = 1; number <= favorite_channel_count; ++number) {
        const std::wstring name = item_text(dialog, name_item(number), name_limit);
        // A blank ends the channel name on the JOIN line: the rest would be taken for its key.
        if (name.find(L' ') != std::wstring::npos) bad_name = true;
        else write_setting(client_, channels_section, numbered_key(channel_name, number).c_str(), name);
        const std::wstring key = item_text(dialog, key_item(number), key_limit);
        if (is_too_short(key)) bad_key = true;
        else write_setting(client_, channels_section, numbered_key(channel_password, number).c_str(), key);
        write_switch_setting(client_, channels_section, numbered_key(channel_autojoin, number).c_str(),
                             is_item_checked(dialog, autojoin_item(number)));
    }
    load_settings(client_, SettingsGroup::channels);
    if (bad_key) show_refusal(dialog, dialog_text::password_length, dialog_text::password_length_title);
    if (bad_name) show_refusal(dialog, dialog_text::name_spaces, dialog_text::name_spaces_title);
    if (!bad_key && !bad_name) EndDialog(dialog, IDOK);
}
