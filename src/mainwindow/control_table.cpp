#include "mainwindow/control_table.h"

#include "resources/resource_ids.h"

namespace {
constexpr DWORD shown = WS_VISIBLE;
constexpr DWORD disabled = WS_DISABLED;
constexpr DWORD read_only_edit = ES_READONLY | ES_AUTOHSCROLL | WS_BORDER;
constexpr DWORD push_button = BS_PUSHBUTTON;
constexpr DWORD bitmap_button = BS_PUSHBUTTON | BS_BITMAP;
constexpr DWORD group_box = BS_GROUPBOX;
constexpr DWORD label = SS_LEFT;
}  // namespace

// "Encrypt this message" framed by sixteen middle dots on each side.
const wchar_t encrypt_banner_text[] =
    L"\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7 Encrypt this message with AES-256 bits \u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7\u00B7";

// Left, top, width, height are 96-DPI pixels of the window's reference size
// (window_layout.h); the edges a control keeps to are the left and top unless given.
const ControlSpec main_window_controls[] = {
    // The band is sent to the bottom of the z-order after creation and clips
    // its siblings, so it never paints over the title or the channel indicators.
    {&ChatClient::title_band, IDC_TITLE_BAND, L"STATIC", label | WS_CLIPSIBLINGS | shown, 0, L"", 255, 3, 776, 32, 0, 0, false, Edge::both, Edge::start},
    {&ChatClient::title_edit, IDC_TITLE_EDIT, L"EDIT", ES_READONLY | ES_AUTOHSCROLL | shown, WS_EX_CLIENTEDGE, L"IRC Server", 255, 7, 370, 26, 0, 205, false},
    {&ChatClient::close_tab_button, IDC_CLOSE_TAB, L"BUTTON", bitmap_button, 0, L"", 1002, 8, 24, 24, IDB_CLOSE_TAB, 0, false, Edge::end, Edge::start},
    {&ChatClient::users_label, IDC_USERS_LABEL, L"STATIC", label, 0, L"Users", 20, 18, 205, 22, 0, 0, false},
    {&ChatClient::private_chat_button, IDC_PRIVATE_CHAT, L"BUTTON", push_button | BS_CENTER | disabled, 0, L"Private chat", 20, 71, 130, 26, 0, 0, false},
    {&ChatClient::kick_button, IDC_KICK, L"BUTTON", push_button | disabled, 0, L"Kick", 160, 71, 66, 26, 0, 0, false},
    {&ChatClient::voice_off_button, IDC_VOICE_OFF, L"BUTTON", push_button | disabled, 0, L"Voice OFF", 20, 102, 100, 26, 0, 0, false},
    {&ChatClient::voice_on_button, IDC_VOICE_ON, L"BUTTON", push_button | disabled, 0, L"Voice ON", 126, 102, 100, 26, 0, 0, false},
    {&ChatClient::filter_users_check, IDC_FILTER_USERS, L"BUTTON", BS_AUTOCHECKBOX, 0, L"Filter Users by keywords", 20, 130, 220, 26, 0, 0, false},
    {&ChatClient::encrypt_check, IDC_ENCRYPT_CHECK, L"BUTTON", BS_CHECKBOX | disabled, 0, L"Encrypt message", 85, 540, 156, 26, 0, 0, false, Edge::start, Edge::end},
    {&ChatClient::tabs_group, IDC_TABS_GROUP, L"BUTTON", group_box | shown, 0, L" Private chats and channels ", 1062, 10, 324, 646, 0, 0, false, Edge::end, Edge::both},
    {&ChatClient::encrypt_banner, IDC_ENCRYPT_BANNER, L"STATIC", SS_CENTER, 0, encrypt_banner_text, 255, 622, 780, 20, 0, 0, false, Edge::both, Edge::end},
    {&ChatClient::encrypted_text_edit, IDC_ENCRYPTED_TEXT, L"EDIT", read_only_edit, 0, L"", 255, 644, 780, 22, 0, 205, false, Edge::both, Edge::end},
    {&ChatClient::share_ip_check, IDC_SHARE_IP, L"BUTTON", BS_CHECKBOX | disabled, 0, L"Share my IP address", 20, 330, 186, 26, 0, 0, false},
    {&ChatClient::password_label, IDC_PASSWORD_LABEL, L"STATIC", label, 0, L"Encryption password", 20, 447, 220, 22, 0, 0, false, Edge::start, Edge::end},
    {&ChatClient::password_combo, IDC_PASSWORD_COMBO, L"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL, WS_EX_CLIENTEDGE, L"", 20, 470, 220, 200, 0, 0, false, Edge::start, Edge::end},
    {&ChatClient::password_edit, IDC_PASSWORD_EDIT, L"EDIT", read_only_edit, 0, L"", 20, 500, 220, 26, 0, 0, false, Edge::start, Edge::end},
    {&ChatClient::user_info_group, IDC_USER_INFO_GROUP, L"BUTTON", group_box, 0, L" User info ", 12, 10, 230, 170, 0, 0, false},
    // WHOIS lines wrap rather than scroll sideways.
    {&ChatClient::user_info_edit, IDC_USER_INFO, L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER, 0, L"", 17, 30, 220, 140, 0, 0, true},
    {&ChatClient::file_transfer_group, IDC_FILE_TRANSFER_GROUP, L"BUTTON", group_box, 0, L" File transfer ", 12, 195, 230, 180, 0, 0, false},
    {&ChatClient::peer_ip_edit, IDC_PEER_IP, L"EDIT", ES_READONLY | WS_BORDER, 0, L"", 20, 220, 140, 26, 0, 0, false},
    {&ChatClient::get_ip_button, IDC_GET_IP, L"BUTTON", push_button | disabled, 0, L"Get IP", 164, 220, 66, 26, 0, 0, false},
    {&ChatClient::file_path_edit, IDC_FILE_PATH, L"EDIT", read_only_edit, 0, L"", 20, 260, 180, 26, 0, 0, false},
    {&ChatClient::browse_button, IDC_BROWSE, L"BUTTON", push_button, 0, L"...", 204, 260, 30, 26, 0, 0, false},
    {&ChatClient::send_file_button, IDC_SEND_FILE, L"BUTTON", push_button | disabled, 0, L"Send encrypted file", 20, 290, 180, 26, 0, 0, false},
    {&ChatClient::secret_icon, IDC_SECRET_ICON, L"BUTTON", bitmap_button | disabled, 0, L"", 714, 3, 32, 32, IDB_SECRET, 0, false},
    {&ChatClient::key_icon, IDC_KEY_ICON, L"BUTTON", bitmap_button | disabled, 0, L"", 750, 3, 32, 32, IDB_KEY, 0, false},
    {&ChatClient::operator_icon, IDC_OPERATOR_ICON, L"BUTTON", bitmap_button | disabled, 0, L"", 678, 3, 32, 32, IDB_OPERATOR, 0, false},
    {&ChatClient::moderated_icon, IDC_MODERATED_ICON, L"BUTTON", bitmap_button | disabled, 0, L"", 642, 3, 32, 32, IDB_MODERATED, 0, false},
    {&ChatClient::compatible_icon, IDC_COMPATIBLE_ICON, L"BUTTON", bitmap_button | disabled, 0, L"", 750, 3, 32, 32, IDB_COMPATIBLE, 0, false},
    {&ChatClient::lock_icon, IDC_LOCK_ICON, L"BUTTON", bitmap_button, 0, L"", 180, 570, 56, 49, IDB_LOCK, 0, false, Edge::start, Edge::end},
    // Its picture (not connected) is set through make_menu_bitmap afterwards.
    {&ChatClient::connection_image, IDC_CONNECTION_IMAGE, L"STATIC", SS_BITMAP | shown, 0, L"", 1203, 41, 16, 16, 0, 0, false, Edge::end, Edge::start},
    {&ChatClient::nicknames_online_button, IDC_NICKNAMES_ONLINE, L"BUTTON", bitmap_button | shown | disabled, 0, L"", 1035, 409, 24, 24, IDB_NICKNAMES_ONLINE, 0, false, Edge::end, Edge::end},
    {&ChatClient::clear_button, IDC_CLEAR, L"BUTTON", bitmap_button | shown, 0, L"", 1035, 443, 24, 24, IDB_CLEAR, 0, false, Edge::end, Edge::end},
    {&ChatClient::save_chat_button, IDC_SAVE_CHAT, L"BUTTON", bitmap_button | shown, 0, L"", 1035, 477, 24, 24, IDB_SAVE, 0, false, Edge::end, Edge::end},
    {&ChatClient::scroll_end_button, IDC_SCROLL_END, L"BUTTON", bitmap_button | shown, 0, L"", 1035, 511, 24, 24, IDB_SCROLL_END, 0, false, Edge::end, Edge::end},
    {&ChatClient::paste_send_button, IDC_PASTE_SEND, L"BUTTON", bitmap_button | shown, 0, L"", 1037, 544, 24, 24, IDB_PASTE_SEND, 0, false, Edge::end, Edge::end},
    {&ChatClient::send_button, IDC_SEND, L"BUTTON", bitmap_button | shown, 0, L"", 1037, 580, 24, 24, IDB_SEND, 0, false, Edge::end, Edge::end},
    {&ChatClient::logo_button, IDC_LOGO, L"BUTTON", bitmap_button | shown, 0, L"", 12, 15, 230, 115, IDB_LOGO, 0, false},
    {&ChatClient::identification_group, IDC_IDENTIFICATION_GROUP, L"BUTTON", group_box | shown, 0, L" Identification ", 12, 150, 230, 210, 0, 0, false},
    {&ChatClient::server_name_label, IDC_SERVER_NAME_LABEL, L"STATIC", label | shown, 0, L"Server name", 22, 175, 125, 20, 0, 0, false},
    {&ChatClient::server_name_edit, IDC_SERVER_NAME, L"EDIT", read_only_edit | shown, 0, L"", 22, 195, 210, 26, 0, 0, false},
    {&ChatClient::nickname_label, IDC_NICKNAME_LABEL, L"STATIC", label | shown, 0, L"Nickname (username)", 22, 233, 185, 20, 0, 0, false},
    {&ChatClient::nickname_edit, IDC_NICKNAME, L"EDIT", read_only_edit | shown, 0, L"", 22, 253, 210, 26, 0, 0, false},
    {&ChatClient::my_ip_label, IDC_MY_IP_LABEL, L"STATIC", label | shown, 0, L"My IP address", 22, 292, 185, 20, 0, 0, false},
    {&ChatClient::my_ip_edit, IDC_MY_IP, L"EDIT", read_only_edit | shown, 0, L"", 22, 312, 210, 26, 0, 0, false},
};

const int main_window_control_count = sizeof main_window_controls / sizeof main_window_controls[0];
