#include <windows.h>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/sealed_state.h"
#include "links/link_download.h"
#include "net/proxy_route.h"
#include "net/proxy_texts.h"
#include "settings/keyword_filter.h"
#include "settings/proxy_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_loaders.h"
#include "settings/switch_rules.h"
#include "transfer/file_receiver.h"
#include "transfer/transfer_status.h"

namespace {

struct PreferenceSwitch {
    const wchar_t* key;
    std::atomic<bool> ChatClient::*field;
    bool default_on;
};

// In the order the preferences dialog writes them.
constexpr PreferenceSwitch preference_switches[] = {
    {settings_key::allow_receive_files, &ChatClient::allow_receive_files, true},
    {settings_key::allow_open_private_chats, &ChatClient::allow_open_private_chats, true},
    {settings_key::reply_away_message, &ChatClient::reply_away_message, false},
    {settings_key::show_rejected_message, &ChatClient::show_rejected_message, false},
    {settings_key::check_compatible_app, &ChatClient::check_compatible_app, true},
    {settings_key::enable_sounds_app, &ChatClient::enable_sounds_app, true},
    {settings_key::save_log_file, &ChatClient::save_log_file, true},
    {settings_key::enable_http_open, &ChatClient::enable_http_open, true},
    {settings_key::enable_https_only, &ChatClient::enable_https_only, true},
    {settings_key::enable_http_prc_images, &ChatClient::enable_http_prc_images, true},
    {settings_key::enable_http_prc_videos, &ChatClient::enable_http_prc_videos, false},
    {settings_key::enable_http_prc_web_pages, &ChatClient::enable_http_prc_web_pages, false},
    {settings_key::auto_reconnect, &ChatClient::auto_reconnect, true},
    {settings_key::notify_on_mention, &ChatClient::notify_on_mention, true},
    {settings_key::show_times, &ChatClient::show_times, true},
    // Not in the dialog: kept in Settings.ini only.
    {settings_key::answer_ctcp_version, &ChatClient::answer_ctcp_version, true},
    {settings_key::strip_formatting, &ChatClient::strip_formatting, false},
};

std::wstring read_preference(const ChatClient& client, const wchar_t* key) {
    return read_setting(client, settings_key::preferences_section, key);
}

}  // namespace

void load_preference_settings(ChatClient& client) {
    // First: whether files may be received depends on it.
    load_proxy_settings(client);
    // Each field is set once to its final value: the receive thread reads these
    // flags, and must not see a default in place of the saved choice meanwhile.
    for (const PreferenceSwitch& preference : preference_switches) {
        std::wstring value = read_preference(client, preference.key);
        (client.*preference.field) = preference.default_on ? read_default_on_switch(value.c_str())
                                                         : read_default_off_switch(value.c_str());
        if (preference.field != &ChatClient::allow_receive_files) continue;
        // A sender would connect straight here, around the proxy.
        if (client.allow_receive_files && proxy_configured() && file_receiver_running())
            stop_file_receiver(client, true);
        if (client.allow_receive_files && proxy_configured()) show_transfer_status(proxy_text::file_receive_refused);
        else switch_file_receiver(client, client.allow_receive_files);
    }

    sealed_state(client).offer_sealed_chats =
        read_default_on_switch(read_preference(client, settings_key::offer_sealed_chats).c_str());
    // Edited in Settings.ini only: no dialog offers it.
    allow_local_link_downloads(
        read_default_off_switch(read_preference(client, settings_key::allow_local_link_downloads).c_str()));

    std::wstring refusal = read_preference(client, settings_key::msg_dont_allow_open_private_chats);
    {
        std::lock_guard<std::mutex> guard(client.preference_text_lock);
        copy_text(client.msg_dont_allow_open_private_chats, refusal.empty() ? default_refusal_message : refusal.c_str());
    }
    {
        const std::wstring words = read_preference(client, settings_key::highlight_words);
        std::lock_guard<std::mutex> guard(client.preference_text_lock);
        copy_text(client.highlight_words, words.c_str());
    }
    copy_text(client.nicknames_keywords_filter,
              read_preference(client, settings_key::nicknames_keywords_filter).c_str());

    std::vector<std::string> keywords = split_keywords(client.nicknames_keywords_filter);
    const bool filtering = !keywords.empty();
    replace_filter_keywords(client, std::move(keywords));
    if (client.filter_users_check && IsWindow(client.filter_users_check))
        EnableWindow(client.filter_users_check, filtering);
}
