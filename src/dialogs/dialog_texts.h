#pragma once

// The boxes and labels the dialogs show, in one place.
namespace dialog_text {
constexpr const wchar_t* password_length = L"Password length should be at least 6 characters.";
constexpr const wchar_t* password_length_title = L"Password length";
constexpr const wchar_t* password_character =
    L"Password %d holds a character that cannot be stored; please use other characters.";
constexpr const wchar_t* password_character_title = L"Password characters";
constexpr const wchar_t* name_spaces = L"The names of the channels must not contain spaces.";
constexpr const wchar_t* name_spaces_title = L"Name spaces";
constexpr const wchar_t* identity_length = L"Nickname and Username length should be at least 6 characters.";
constexpr const wchar_t* identity_length_title = L"Nickname and Username length";

constexpr const wchar_t* method_names[] = {L"None", L"PLAIN", L"SCRAM-SHA-256", L"EXTERNAL"};
constexpr const wchar_t* login_summary = L"Login: %s (%s)";
constexpr const wchar_t* no_login_summary = L"Login: none";
constexpr const wchar_t* server_password_summary = L", server password";

constexpr const wchar_t* proxy_incomplete = L"Please enter the proxy's host and a port from 1 to 65535.";
constexpr const wchar_t* proxy_incomplete_title = L"Proxy";

constexpr const wchar_t* row_count = L"(%d)";
constexpr const wchar_t* channel_column = L"Channel";
constexpr const wchar_t* users_column = L"Users";
constexpr const wchar_t* topic_column = L"Topic";
constexpr const wchar_t* join_channel_item = L"Join Channel";
constexpr const wchar_t* copy_channel_item = L"Copy Channel";
constexpr const wchar_t* copy_topic_item = L"Copy Topic";
}  // namespace dialog_text
