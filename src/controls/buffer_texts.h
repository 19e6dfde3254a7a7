#pragma once

// Texts of the chat buffer's menu, the clipboard and saved chats.
namespace buffer_text {
constexpr wchar_t clipboard_caption[] = L"Clipboard error";
constexpr wchar_t cannot_open[] = L"Cannot open the Clipboard";
constexpr wchar_t cannot_empty[] = L"Cannot empty the Clipboard";
constexpr wchar_t cannot_set[] = L"Unable to set Clipboard data";
constexpr wchar_t no_text[] = L"No text in Clipboard";
constexpr wchar_t lock_error[] = L"Clipboard lock error";

constexpr wchar_t file_caption[] = L"File error";
constexpr wchar_t cannot_create_file[] = L"Unable to create chat file.";
constexpr char saved_title[] = "Chat file";
constexpr wchar_t saved_format[] = L"Chat file saved: %s";
// Chat name, year, month, day, hour, minute, second.
constexpr wchar_t chat_file_format[] = L"Chat_%s_%d_%d_%d_%d_%d_%d";
constexpr wchar_t chat_file_extension[] = L".txt";
constexpr wchar_t downloads_folder[] = L"Downloads\\";

// The context menu: id, label and picture of each item, in menu order; a
// zero id is the separator.
struct MenuItem {
    int id;
    const wchar_t* label;
    int picture;
};
constexpr MenuItem menu_items[] = {
    {10, L"Open Private Chat", 151},
    {11, L"Silence this nickname", 145},
    {12, L"Des-silence this nickname", 146},
    {13, L"Silence ALL but this nickname ON/OFF", 145},
    {14, L"Open URL", 139},
    {15, L"Search in Google", 150},
    {0, nullptr, 0},
    {16, L"Copy", 122},
    {17, L"Copy to Send-box", 122},
};

constexpr wchar_t search_address[] = L"https://www.google.com/search?q=%s";
// Looked for in this order; the first that is found wins, wherever it stands.
constexpr const wchar_t* link_prefixes[] = {L"http:", L"Http:", L"https:", L"Https:"};
}  // namespace buffer_text
