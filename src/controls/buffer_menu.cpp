// The chat buffer's context menu: it acts on the text selected when it opened.

#include <windows.h>
#include <richedit.h>

#include <cwctype>
#include <map>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/silence.h"
#include "controls/buffer_actions.h"
#include "controls/buffer_edit.h"
#include "controls/buffer_texts.h"
#include "links/open_link.h"
#include "framework/dpi.h"
#include "mainwindow/main_window.h"

namespace {
// The whole address must fit this many characters with its terminator.
constexpr size_t search_address_capacity = 1024;

enum MenuId { open_private = 10, silence_on, silence_off, silence_all_but, open_url, web_search, copy, copy_to_input };

// Characters that would end or change the query are written as escapes;
// spaces, line breaks and other blanks become '+', and quotes and backslashes
// escapes, since an address holding them is never opened (is_web_link).
std::wstring query_text(const std::wstring& text) {
    std::wstring query;
    for (wchar_t c : text) {
        switch (c) {
        case L'%': query += L"%25"; break;
        case L'&': query += L"%26"; break;
        case L'#': query += L"%23"; break;
        case L'+': query += L"%2B"; break;
        case L'"': query += L"%22"; break;
        case L'\\': query += L"%5C"; break;
        default: query += c <= L' ' || c == 0x7F || iswspace(c) ? L'+' : c; break;
        }
    }
    return query;
}

std::wstring search_address(const std::wstring& selection) {
    std::wstring address = format_text(buffer_text::search_address, query_text(selection));
    if (address.size() >= search_address_capacity) {
        size_t cut = search_address_capacity - 1;
        // Never half a character (a surrogate pair) nor half an escape.
        if (IS_HIGH_SURROGATE(address[cut - 1])) --cut;
        const size_t escape = address.rfind(L'%', cut - 1);
        if (escape != std::wstring::npos && escape + 3 > cut && escape >= wcslen(L"https://")) cut = escape;
        address.resize(cut);
    }
    return address;
}

// The selection from the first of the link prefixes found, in their order,
// to the first blank after it.
std::wstring link_in(const std::wstring& selection) {
    for (const wchar_t* prefix : buffer_text::link_prefixes) {
        const size_t at = selection.find(prefix);
        if (at == std::wstring::npos) continue;
        size_t end = at;
        while (end < selection.size() && selection[end] > L' ' && !iswspace(selection[end])) ++end;
        return selection.substr(at, end - at);
    }
    return {};
}

void append_to_input(ChatClient& client, const std::wstring& text) {
    HWND input = client.input_window ? client.input_window : GetDlgItem(client.main_window, 2);
    if (!input) return;
    const LRESULT end = GetWindowTextLengthW(input);
    SendMessageW(input, EM_SETSEL, end, end);
    SendMessageW(input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}
}  // namespace

bool BufferEdit::capture_selection() {
    selection.clear();
    CHARRANGE range{};
    SendMessageW(window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    const LONG length = range.cpMax - range.cpMin;
    if (length <= 0 || static_cast<size_t>(length) > selection_limit) return false;
    wchar_t text[selection_limit + 1] = {};
    const LRESULT copied = SendMessageW(window, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text));
    if (copied <= 0) return false;
    selection.assign(text, wcsnlen(text, selection_limit));
    return !selection.empty();
}

HMENU BufferEdit::build_context_menu(std::vector<HBITMAP>& pictures) const {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    // Items with the same picture share one bitmap.
    std::map<int, HBITMAP> loaded;
    UINT position = 0;
    for (const buffer_text::MenuItem& item : buffer_text::menu_items) {
        if (!item.id) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.label);
            HBITMAP& picture = loaded[item.picture];
            if (!picture) {
                picture = load_menu_picture(instance, item.picture, window_dpi(window));
                if (picture) pictures.push_back(picture);
            }
            if (picture) SetMenuItemBitmaps(menu, position, MF_BYPOSITION, picture, picture);
        }
        ++position;
    }
    return menu;
}

void BufferEdit::show_context_menu(LPARAM screen_point) {
    if (!capture_selection()) return;
    std::vector<HBITMAP> pictures;
    HMENU menu = build_context_menu(pictures);
    if (menu) {
        // The choice comes back to this control as WM_COMMAND.
        TrackPopupMenu(menu, TPM_LEFTBUTTON, static_cast<short>(LOWORD(screen_point)),
                       static_cast<short>(HIWORD(screen_point)), 0, window, nullptr);
        DestroyMenu(menu);
    }
    for (HBITMAP picture : pictures) DeleteObject(picture);
}

void BufferEdit::run_menu_item(int id) {
    if (!the_client || selection.empty()) return;
    ChatClient& client = *the_client;
    // A copy: opening a chat runs the queue first, and what it runs may
    // close or renew this chat's buffer.
    const std::wstring chosen = selection;
    const bool nickname = chosen.size() <= nickname_selection_limit;
    switch (id) {
    case open_private:
        if (nickname) open_private_chat(client, chosen.c_str(), true);
        break;
    case silence_on:
    case silence_off:
        if (nickname) set_silence(client, chosen.c_str(), id == silence_on);
        break;
    case silence_all_but:
        if (nickname) toggle_silence_all_but(client, chosen.c_str());
        break;
    case open_url:
        open_link(link_in(chosen), SW_SHOWNORMAL);
        break;
    case web_search:
        open_link(search_address(chosen), SW_SHOWNORMAL);
        break;
    case copy:
        copy_to_clipboard(client, chosen);
        break;
    case copy_to_input:
        append_to_input(client, chosen);
        break;
    default:
        break;
    }
}
