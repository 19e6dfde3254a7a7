#include <mutex>

#include "app/chat_client.h"
#include "dialogs/settings_dialogs.h"
#include "resources/dialog_ids.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"

namespace {
constexpr int away_text_limit = refusal_message_capacity - 1;
constexpr int keywords_limit = keywords_capacity - 1;

struct PreferenceBox {
    int item;
    const wchar_t* key;
    std::atomic<bool> ChatClient::*field;
};

// The switches before the away text, and those after it, in the order they are written.
constexpr PreferenceBox first_boxes[] = {
    {IDC_PREF_RECEIVE_FILES, settings_key::allow_receive_files, &ChatClient::allow_receive_files},
    {IDC_PREF_OPEN_PRIVATE, settings_key::allow_open_private_chats, &ChatClient::allow_open_private_chats},
    {IDC_PREF_REPLY_AWAY, settings_key::reply_away_message, &ChatClient::reply_away_message},
};
constexpr PreferenceBox other_boxes[] = {
    {IDC_PREF_SHOW_REJECTED, settings_key::show_rejected_message, &ChatClient::show_rejected_message},
    {IDC_PREF_COMPATIBLE, settings_key::check_compatible_app, &ChatClient::check_compatible_app},
    {IDC_PREF_SOUNDS, settings_key::enable_sounds_app, &ChatClient::enable_sounds_app},
    {IDC_PREF_LOG_FILE, settings_key::save_log_file, &ChatClient::save_log_file},
    {IDC_PREF_HTTP_OPEN, settings_key::enable_http_open, &ChatClient::enable_http_open},
    {IDC_PREF_HTTPS_ONLY, settings_key::enable_https_only, &ChatClient::enable_https_only},
    {IDC_PREF_IMAGES, settings_key::enable_http_prc_images, &ChatClient::enable_http_prc_images},
    {IDC_PREF_VIDEOS, settings_key::enable_http_prc_videos, &ChatClient::enable_http_prc_videos},
    {IDC_PREF_WEB_PAGES, settings_key::enable_http_prc_web_pages, &ChatClient::enable_http_prc_web_pages},
    {IDC_PREF_AUTO_RECONNECT, settings_key::auto_reconnect, &ChatClient::auto_reconnect},
    {IDC_PREF_SHOW_TIMES, settings_key::show_times, &ChatClient::show_times},
};

// A rejected user's message can only be shown when private chats are refused;
// the away text only matters while it is being sent.
void follow_switches(HWND dialog) {
    enable_item(dialog, IDC_PREF_SHOW_REJECTED, !is_item_checked(dialog, IDC_PREF_OPEN_PRIVATE));
    enable_item(dialog, IDC_PREF_AWAY_TEXT, is_item_checked(dialog, IDC_PREF_REPLY_AWAY));
}
}  // namespace

bool PreferencesDialog::command(HWND dialog, WPARAM wparam) {
    switch (LOWORD(wparam)) {
    case IDC_PREF_OPEN_PRIVATE:
    case IDC_PREF_REPLY_AWAY:
        if (HIWORD(wparam) == BN_CLICKED) follow_switches(dialog);
        return true;
    case IDC_PREF_PROXY:
        if (HIWORD(wparam) == BN_CLICKED) ProxyDialog(instance, IDD_PROXY, dialog, client_).show();
        return true;
    default:
        return false;
    }
}

void PreferencesDialog::open(HWND dialog) {
    load_settings(client_, SettingsGroup::preferences);
    for (const PreferenceBox& box : first_boxes) check_item(dialog, box.item, client_.*box.field);
    for (const PreferenceBox& box : other_boxes) check_item(dialog, box.item, client_.*box.field);
    limit_item(dialog, IDC_PREF_AWAY_TEXT, away_text_limit);
    {
        std::lock_guard<std::mutex> hold(client_.preference_text_lock);
        set_item_text(dialog, IDC_PREF_AWAY_TEXT, client_.msg_dont_allow_open_private_chats);
    }
    limit_item(dialog, IDC_PREF_KEYWORDS, keywords_limit);
    set_item_text(dialog, IDC_PREF_KEYWORDS, client_.nicknames_keywords_filter);
    follow_switches(dialog);
}

void PreferencesDialog::save(HWND dialog) {
    using namespace settings_key;
    for (const PreferenceBox& box : first_boxes)
        write_switch_setting(client_, preferences_section, box.key, is_item_checked(dialog, box.item));
    // Saved even while greyed: it is kept for when the replies are switched on again.
    write_setting(client_, preferences_section, msg_dont_allow_open_private_chats,
                  item_text(dialog, IDC_PREF_AWAY_TEXT, away_text_limit));
    for (const PreferenceBox& box : other_boxes)
        write_switch_setting(client_, preferences_section, box.key, is_item_checked(dialog, box.item));
    write_setting(client_, preferences_section, nicknames_keywords_filter,
                  item_text(dialog, IDC_PREF_KEYWORDS, keywords_limit));
    load_settings(client_, SettingsGroup::preferences);
    EndDialog(dialog, IDOK);
}
