#include "dialogs/join_all_channels_dialog.h"

#include <cstring>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/directory_listing.h"
#include "framework/dpi.h"
#include "mainwindow/main_window.h"
#include "net/irc_commands.h"
#include "net/session.h"
#include "resources/dialog_ids.h"
#include "resources/resource_ids.h"

bool JoinAllChannelsDialog::sort_ascending_next = true;

namespace {
constexpr COLORREF list_background = RGB(0, 0, 0);
constexpr COLORREF list_text = RGB(255, 255, 0);
constexpr int search_limit = 127;
constexpr int join_name_limit = channel_name_capacity - 1;

struct ListColumn {
    const wchar_t* title;
    int width;
};
constexpr ListColumn list_columns[] = {
    {dialog_text::channel_column, 200}, {dialog_text::users_column, 65}, {dialog_text::topic_column, 1500}};

void copy_to_clipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}
}  // namespace

INT_PTR JoinAllChannelsDialog::handle_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        // Kept from here to WM_DESTROY only: the end of a listing looks at it
        // to know whether the dialog is on the screen.
        window_ = dialog;
        open(dialog);
        return TRUE;
    case WM_COMMAND:
        return handle_command(LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
        LRESULT result = 0;
        if (!header || header->hwndFrom != list_view_ || !handle_notify(*header, result)) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_CONTEXTMENU:
        if (busy_ || reinterpret_cast<HWND>(wparam) != list_view_) return FALSE;
        show_row_menu();
        return TRUE;
    case WM_DPICHANGED:
        // The template's controls and font follow by themselves.
        scale_to(LOWORD(wparam));
        return FALSE;
    case WM_DESTROY:
        release_resources();
        window_ = nullptr;
        list_view_ = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void JoinAllChannelsDialog::open(HWND dialog) {
    list_view_ = GetDlgItem(dialog, IDC_DIRECTORY_LIST);
    selected_row_ = -1;
    view_.clear();
    ListView_SetBkColor(list_view_, list_background);
    ListView_SetTextColor(list_view_, list_text);
    ListView_SetTextBkColor(list_view_, CLR_NONE);
    ListView_SetExtendedListViewStyle(list_view_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP |
                                                      LVS_EX_FLATSB);
    // The columns as drawn at 96 DPI; scale_to brings them to the dialog's scale.
    dpi_ = USER_DEFAULT_SCREEN_DPI;
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        item.pszText = const_cast<wchar_t*>(list_columns[column].title);
        item.cx = list_columns[column].width;
        item.iSubItem = column;
        ListView_InsertColumn(list_view_, column, &item);
    }
    scale_to(window_dpi(dialog));
    limit_item(dialog, IDC_DIRECTORY_SEARCH, search_limit);

    connected_at_open_ = client_.server_socket.connected != 0;
    end_lost_listing();
    // A listing that lost its connection never ends: it does not hold a new showing.
    if (!connected_at_open_) busy_ = false;
    set_waiting(busy_);
    if (connected_at_open_) {
        enable_item(dialog, IDC_DIRECTORY_SERVERS, false);
        enable_item(dialog, IDC_DIRECTORY_UPDATE, true);
        const std::wstring host = client_.connection.host.get();
        if (host.empty() || busy_) return;
        if (host == client_.directory_cache_server || load_directory_cache(host, client_) != 0) show_directory({});
        return;
    }
    show_directory({});
    enable_item(dialog, IDC_DIRECTORY_UPDATE, false);
    offer_cached_servers(dialog);
}

void JoinAllChannelsDialog::offer_cached_servers(HWND dialog) {
    HWND servers = GetDlgItem(dialog, IDC_DIRECTORY_SERVERS);
    SendMessageW(servers, CB_RESETCONTENT, 0, 0);
    for (int number = 1; number <= server_count; ++number) {
        const wchar_t* name = client_.servers[number].name;
        if (!name[0] || !has_directory_cache(client_, name)) continue;
        if (SendMessageW(servers, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name)) != CB_ERR)
            continue;
        SendMessageW(servers, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

int JoinAllChannelsDialog::show_directory(const std::string& search) {
    if (client_.channel_directory.empty() || !window_) return 0;
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    view_.fill(client_.channel_directory, search);
    selected_row_ = -1;
    ListView_SetItemCountEx(list_view_, static_cast<int>(view_.size()), 0);
    ListView_SetItemState(list_view_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    InvalidateRect(list_view_, nullptr, TRUE);
    for (int id : {IDC_DIRECTORY_SEARCH, IDC_DIRECTORY_SEARCH_BUTTON, IDC_DIRECTORY_CLEAR_SEARCH})
        enable_item(window_, id, true);
    set_item_text(window_, IDC_DIRECTORY_COUNT, format_text(dialog_text::row_count, static_cast<long long>(view_.size())));
    SetCursor(previous ? previous : LoadCursorW(nullptr, IDC_ARROW));
    return static_cast<int>(client_.channel_directory.size());
}

void JoinAllChannelsDialog::listing_ended() {
    busy_ = false;
    if (!window_) return;
    show_directory({});
    set_waiting(false);
}

bool JoinAllChannelsDialog::handle_command(int id, int code) {
    // Close always works: a listing whose connection dropped never ends.
    if (id == IDCANCEL) {
        EndDialog(window_, IDCANCEL);
        return true;
    }
    end_lost_listing();
    if (busy_) return true;
    switch (id) {
    case IDC_DIRECTORY_UPDATE:
        update_list();
        return true;
    case IDC_DIRECTORY_SEARCH_BUTTON: {
        const std::wstring search = item_text(window_, IDC_DIRECTORY_SEARCH, search_limit);
        if (!search.empty()) show_directory(utf8_text(search));
        return true;
    }
    case IDC_DIRECTORY_CLEAR_SEARCH:
        set_item_text(window_, IDC_DIRECTORY_SEARCH, L"");
        show_directory({});
        return true;
    case IDC_DIRECTORY_SERVERS:
        if (code == CBN_SELCHANGE) choose_server();
        return true;
    case IDM_DIRECTORY_JOIN:
        join_selected();
        return true;
    case IDM_DIRECTORY_COPY_CHANNEL:
        copy_selected(column_channel);
        return true;
    case IDM_DIRECTORY_COPY_TOPIC:
        copy_selected(column_topic);
        return true;
    default:
        return false;
    }
}

bool JoinAllChannelsDialog::handle_notify(const NMHDR& header, LRESULT& result) {
    result = 0;
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0)
            copy_text(item.pszText, static_cast<size_t>(item.cchTextMax),
                      view_.cell(static_cast<size_t>(item.iItem), item.iSubItem).c_str());
        return true;
    }
    end_lost_listing();
    if (busy_) return false;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (change.iItem >= 0 && (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED))
            selected_row_ = change.iItem;
        return true;
    }
    case NM_RCLICK:
        selected_row_ = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
        return true;
    case NM_DBLCLK:
        selected_row_ = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
        join_selected();
        return true;
    case LVN_COLUMNCLICK:
        sort_column(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return true;
    default:
        return false;
    }
}

void JoinAllChannelsDialog::update_list() {
    if (!send_command(client_.server_socket, irc::list)) return;
    client_.channel_directory.clear();
    client_.directory_row_count = 0;
    view_.clear();
    ListView_SetItemCountEx(list_view_, 0, 0);
    selected_row_ = -1;
    busy_ = true;
    listing_session_ = current_session();
    set_waiting(true);
}

void JoinAllChannelsDialog::choose_server() {
    HWND servers = GetDlgItem(window_, IDC_DIRECTORY_SERVERS);
    const LRESULT item = SendMessageW(servers, CB_GETCURSEL, 0, 0);
    if (item < 0) return;
    const LRESULT length = SendMessageW(servers, CB_GETLBTEXTLEN, item, 0);
    if (length <= 0 || length >= server_name_capacity) return;
    wchar_t name[server_name_capacity] = {};
    SendMessageW(servers, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(name));
    busy_ = true;
    const int count = load_directory_cache(name, client_);
    busy_ = false;
    if (count != 0) show_directory({});
}

void JoinAllChannelsDialog::sort_column(int column) {
    const int key = sort_ascending_next ? column + 1 : -(column + 1);
    sort_ascending_next = !sort_ascending_next;
    view_.sort(key);
    // The same position holds another row now.
    selected_row_ = -1;
    ListView_SetItemState(list_view_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    InvalidateRect(list_view_, nullptr, TRUE);
}

void JoinAllChannelsDialog::join_selected() {
    if (!connected_at_open_ || selected_row_ < 0) return;
    wchar_t name[channel_name_capacity] = {};
    copy_text(name, view_.cell(static_cast<size_t>(selected_row_), column_channel).substr(0, join_name_limit).c_str());
    if (name[0]) request_join(name, client_, L"");
}

void JoinAllChannelsDialog::copy_selected(int column) {
    if (selected_row_ < 0) return;
    const std::wstring& text = view_.cell(static_cast<size_t>(selected_row_), column);
    if (!text.empty()) copy_to_clipboard(window_, text);
}

void JoinAllChannelsDialog::show_row_menu() {
    if (selected_row_ < 0) return;
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, IDM_DIRECTORY_JOIN, dialog_text::join_channel_item);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_DIRECTORY_COPY_CHANNEL, dialog_text::copy_channel_item);
    AppendMenuW(menu, MF_STRING, IDM_DIRECTORY_COPY_TOPIC, dialog_text::copy_topic_item);
    if (!join_picture_) join_picture_ = load_menu_picture(instance, IDB_JOIN_CHANNEL, window_dpi(window_));
    if (!copy_picture_) copy_picture_ = load_menu_picture(instance, IDB_COPY, window_dpi(window_));
    SetMenuItemBitmaps(menu, 0, MF_BYPOSITION, join_picture_, join_picture_);
    SetMenuItemBitmaps(menu, 2, MF_BYPOSITION, copy_picture_, copy_picture_);
    SetMenuItemBitmaps(menu, 3, MF_BYPOSITION, copy_picture_, copy_picture_);
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    DestroyMenu(menu);
}

void JoinAllChannelsDialog::set_waiting(bool waiting) {
    ShowWindow(GetDlgItem(window_, IDC_DIRECTORY_WAIT), waiting ? SW_SHOW : SW_HIDE);
}

void JoinAllChannelsDialog::end_lost_listing() {
    if (!busy_ || listing_session_ == current_session()) return;
    busy_ = false;
    // Its rows are a part of another connection's listing: the cache file
    // shows that server's last whole one instead.
    client_.channel_directory.clear();
    client_.directory_row_count = 0;
    client_.directory_cache_server[0] = L'\0';
    if (window_) set_waiting(false);
}

void JoinAllChannelsDialog::scale_to(UINT dpi) {
    if (!list_view_ || !dpi) return;
    for (int column = 0; column < 3; ++column) {
        const int width = ListView_GetColumnWidth(list_view_, column);
        ListView_SetColumnWidth(list_view_, column, MulDiv(width, static_cast<int>(dpi), static_cast<int>(dpi_)));
    }
    dpi_ = dpi;
    HFONT old_font = header_font_;
    header_font_ = CreateFontW(scaled(20, dpi), scaled(8, dpi), 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               L"MS Shell Dlg");
    SendMessageW(ListView_GetHeader(list_view_), WM_SETFONT, reinterpret_cast<WPARAM>(header_font_), TRUE);
    if (old_font) DeleteObject(old_font);
    // The menu pictures are made again, at the new size, when next wanted.
    for (HBITMAP* picture : {&clear_picture_, &join_picture_, &copy_picture_}) {
        if (*picture) DeleteObject(*picture);
        *picture = nullptr;
    }
    clear_picture_ = load_dialog_bitmap(instance, IDB_CLEAR_SEARCH, window_);
    SendDlgItemMessageW(window_, IDC_DIRECTORY_CLEAR_SEARCH, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(clear_picture_));
}

void JoinAllChannelsDialog::release_resources() {
    if (header_font_) DeleteObject(header_font_);
    header_font_ = nullptr;
    for (HBITMAP* picture : {&clear_picture_, &join_picture_, &copy_picture_}) {
        if (*picture) DeleteObject(*picture);
        *picture = nullptr;
    }
}
