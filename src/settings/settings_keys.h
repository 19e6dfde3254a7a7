#pragma once

// Section and key names of "Settings.ini", and the texts that stand for a
// missing value. Numbered keys take the slot number in place of %d.
namespace settings_key {

constexpr const wchar_t* passwords_section = L"passwords";
constexpr const wchar_t* user_password = L"user_password_%d";

constexpr const wchar_t* channels_section = L"channels";
constexpr const wchar_t* channel_name = L"channel_name_%d";
constexpr const wchar_t* channel_password = L"channel_password_%d";
constexpr const wchar_t* channel_autojoin = L"channel_autojoin_%d";

constexpr const wchar_t* servers_section = L"servers";
constexpr const wchar_t* server_name = L"server_name_%d";
constexpr const wchar_t* server_port = L"server_port_%d";
constexpr const wchar_t* server_nickname = L"server_nickname_%d";
constexpr const wchar_t* server_username = L"server_username_%d";
constexpr const wchar_t* server_tls = L"server_tls_%d";
constexpr const wchar_t* server_fingerprint = L"server_fingerprint_%d";
constexpr const wchar_t* server_password = L"server_password_%d";
constexpr const wchar_t* server_sasl_method = L"server_sasl_method_%d";
constexpr const wchar_t* server_sasl_account = L"server_sasl_account_%d";
constexpr const wchar_t* server_sasl_password = L"server_sasl_password_%d";
constexpr const wchar_t* server_sasl_required = L"server_sasl_required_%d";
constexpr const wchar_t* server_sasl_unencrypted = L"server_sasl_unencrypted_%d";
constexpr const wchar_t* server_sasl_certificate = L"server_sasl_certificate_%d";
constexpr const wchar_t* server_sasl_certificate_default = L"server_sasl_certificate_default";
constexpr const wchar_t* server_proxy = L"server_proxy_%d";
constexpr const wchar_t* server_proxy_default = L"server_proxy_default";
constexpr const wchar_t* server_password_default = L"server_password_default";
constexpr const wchar_t* server_sasl_method_default = L"server_sasl_method_default";
constexpr const wchar_t* server_sasl_account_default = L"server_sasl_account_default";
constexpr const wchar_t* server_sasl_password_default = L"server_sasl_password_default";
constexpr const wchar_t* server_sasl_required_default = L"server_sasl_required_default";
constexpr const wchar_t* server_sasl_unencrypted_default = L"server_sasl_unencrypted_default";
constexpr const wchar_t* server_name_default = L"server_name_default";
constexpr const wchar_t* server_port_default = L"server_port_default";
constexpr const wchar_t* server_nickname_default = L"server_nickname_default";
constexpr const wchar_t* server_username_default = L"server_username_default";
constexpr const wchar_t* server_tls_default = L"server_tls_default";
// One key per server, "host:port" (connection/certificate_trust.h): the
// fingerprint the user trusted for it, and whether Windows once vouched for
// it. (The one server_fingerprint_default of older versions is not read: it
// let a certificate trusted for one server vouch for every other.)
constexpr const wchar_t* trusted_certificates_section = L"trusted_certificates";
constexpr const wchar_t* verified_servers_section = L"verified_servers";

constexpr const wchar_t* preferences_section = L"preferences";
constexpr const wchar_t* allow_receive_files = L"allow_receive_files";
constexpr const wchar_t* allow_open_private_chats = L"allow_open_private_chats";
constexpr const wchar_t* reply_away_message = L"reply_away_message";
constexpr const wchar_t* msg_dont_allow_open_private_chats = L"msg_dont_allow_open_private_chats";
constexpr const wchar_t* show_rejected_message = L"show_rejected_message";
constexpr const wchar_t* check_compatible_app = L"check_compatible_app";
constexpr const wchar_t* enable_sounds_app = L"enable_sounds_app";
constexpr const wchar_t* save_log_file = L"save_log_file";
constexpr const wchar_t* auto_reconnect = L"auto_reconnect";
constexpr const wchar_t* offer_sealed_chats = L"offer_sealed_chats";
constexpr const wchar_t* allow_local_link_downloads = L"allow_local_link_downloads";
constexpr const wchar_t* answer_ctcp_version = L"answer_ctcp_version";
constexpr const wchar_t* strip_formatting = L"strip_formatting";
constexpr const wchar_t* enable_http_open = L"enable_http_open";
constexpr const wchar_t* enable_https_only = L"enable_https_only";
constexpr const wchar_t* enable_http_prc_images = L"enable_http_prc_images";
constexpr const wchar_t* enable_http_prc_videos = L"enable_http_prc_videos";
constexpr const wchar_t* enable_http_prc_web_pages = L"enable_http_prc_web_pages";
constexpr const wchar_t* nicknames_keywords_filter = L"nicknames_keywords_filter";
constexpr const wchar_t* random_nickname = L"random_nickname";
// The proxy for every server (a stored server may go without it).
constexpr const wchar_t* proxy_type = L"proxy_type";
constexpr const wchar_t* proxy_host = L"proxy_host";
constexpr const wchar_t* proxy_port = L"proxy_port";
constexpr const wchar_t* proxy_username = L"proxy_username";
constexpr const wchar_t* proxy_password = L"proxy_password";
// Set in Settings.ini only (the preferences dialog has no room left).
constexpr const wchar_t* notify_on_mention = L"notify_on_mention";
constexpr const wchar_t* show_times = L"show_times";
constexpr const wchar_t* highlight_words = L"highlight_words";

constexpr const wchar_t* nicknames_favorite_section = L"nicknames_favorite";
constexpr const wchar_t* nickname_favorite = L"nickname_favorite_%d";
constexpr const wchar_t* check_nicknames_online_time = L"check_nicknames_online_time";

}  // namespace settings_key

// The refusal text used until the user sets one of their own.
constexpr const wchar_t* default_refusal_message = L"Sorry, I don't accept private chats now";

// The longest text written for each of the four connection defaults.
constexpr int server_default_write_limit = 127;
