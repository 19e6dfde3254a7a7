#include <windows.h>

#include <cstring>
#include <string>

#include "app/chat_client.h"
#include "app/text.h"
#include "controls/buffer_actions.h"
#include "controls/buffer_texts.h"
#include "framework/message_box.h"

namespace {
void clipboard_error(ChatClient& client, const wchar_t* text) {
    show_message_box(client.main_window, text, buffer_text::clipboard_caption, MB_OK | MB_ICONERROR);
}

// A movable, shareable block holding `size` bytes copied from `data`.
HGLOBAL make_block(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
    if (!block) return nullptr;
    void* place = GlobalLock(block);
    if (!place) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(place, data, size);
    GlobalUnlock(block);
    return block;
}

// Places one block; the clipboard owns it on success, else it is freed here.
bool place_block(UINT format, const void* data, size_t size, bool& out_of_memory) {
    HGLOBAL block = make_block(data, size);
    if (!block) {
        out_of_memory = true;
        return false;
    }
    if (SetClipboardData(format, block)) return true;
    GlobalFree(block);
    return false;
}

HWND input_line(ChatClient& client) {
    return client.input_window ? client.input_window : GetDlgItem(client.main_window, 2);
}

// The clipboard's text: Unicode when it has it (the system makes it from
// 8-bit text too), so no character is lost on the way.
bool read_clipboard_text(ChatClient& client, std::wstring& text) {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) {
        clipboard_error(client, buffer_text::no_text);
        return false;
    }
    const void* place = GlobalLock(data);
    if (!place) {
        clipboard_error(client, buffer_text::lock_error);
        return false;
    }
    // The block may lack its terminator: read no further than its size.
    const size_t limit = GlobalSize(data) / sizeof(wchar_t);
    const wchar_t* characters = static_cast<const wchar_t*>(place);
    text.assign(characters, wcsnlen(characters, limit));
    GlobalUnlock(data);
    return true;
}
}  // namespace

bool copy_to_clipboard(ChatClient& client, const std::wstring& text) {
    if (text.empty()) return false;
    if (!OpenClipboard(client.main_window)) {
        clipboard_error(client, buffer_text::cannot_open);
        return false;
    }
    if (!EmptyClipboard()) {
        clipboard_error(client, buffer_text::cannot_empty);
        CloseClipboard();
        return false;
    }
    const std::string narrow = narrow_text(text.c_str(), CP_THREAD_ACP);
    bool out_of_memory = false;
    const bool placed = place_block(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t), out_of_memory) &&
                        place_block(CF_TEXT, narrow.c_str(), narrow.size() + 1, out_of_memory);
    if (!placed && !out_of_memory) clipboard_error(client, buffer_text::cannot_set);
    if (!placed) EmptyClipboard();
    CloseClipboard();
    return placed;
}

bool copy_to_clipboard(ChatClient& client, const char* text) {
    if (!text || !*text) return false;
    return copy_to_clipboard(client, wide_text(text, std::strlen(text), CP_THREAD_ACP));
}

bool paste_to_input(ChatClient& client) {
    if (!OpenClipboard(client.main_window)) {
        clipboard_error(client, buffer_text::cannot_open);
        return false;
    }
    std::wstring text;
    const bool read = read_clipboard_text(client, text);
    CloseClipboard();
    if (!read) return false;
    HWND input = input_line(client);
    if (input) SetWindowTextW(input, text.c_str());
    return input != nullptr;
}
