#include "controls/input_edit.h"

#include <string>

#include "app/chat_client.h"
#include "controls/input_line.h"

namespace {

std::wstring text_of(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], length + 1)));
    return text;
}

void show_text(HWND control, const std::wstring& text, size_t caret) {
    SetWindowTextW(control, text.c_str());
    SendMessageW(control, EM_SETSEL, caret, caret);
}

}  // namespace

InputHistory& InputEdit::selected_history() {
    const ChatRecord& chat = *client->current_chat;
    const int slot = chat.slot >= 0 && chat.slot < chat_slot_count ? chat.slot : 0;
    if (history_generations_[slot] != chat.generation) {
        histories_[slot] = InputHistory();
        history_generations_[slot] = chat.generation;
    }
    return histories_[slot];
}

void InputEdit::submit_line(HWND control) {
    const std::wstring text = text_of(control);
    if (text.empty()) return;
    InputHistory& history = selected_history();

    // The receive thread may close the connection at any moment: read once.
    if (!client->server_socket.connected) {
        process_offline_line(*client, text.c_str());
        history.add(text);
        SetWindowTextW(control, L"");
        return;
    }
    if (has_line_breaks(text)) {
        std::wstring rest;
        process_pasted_lines(*client, text, rest);
        history.add(text);
        SetWindowTextW(control, rest.c_str());
        return;
    }
    if (clears_input(process_input_line(*client, text.c_str()))) {
        history.add(text);
        SetWindowTextW(control, L"");
    }
}

void InputEdit::complete_word(HWND control) {
    DWORD caret = 0;
    SendMessageW(control, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    Completion::Edit edit{text_of(control), caret};
    ChatClient& owner = *client;
    if (completion_.complete(edit, [&owner](const Completion::Edit& line, size_t start) {
            return completion_candidates(owner, line.text, start);
        }))
        show_text(control, edit.text, edit.caret);
}

void InputEdit::walk_history(HWND control, bool up) {
    InputHistory& history = selected_history();
    std::wstring shown;
    if (up ? history.older(text_of(control), shown) : history.newer(text_of(control), shown))
        show_text(control, shown, shown.size());
}

LRESULT InputEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    if (!client || !client->current_chat) return pass_on(control, message, wparam, lparam);
    if (message == WM_CHAR && wparam == L'\r') {
        submit_line(control);
        return 0;
    }
    // Tab completes; its character never lands in the line.
    if (message == WM_CHAR && wparam == L'\t') return 0;
    if (message == WM_KEYDOWN && wparam == VK_TAB) {
        complete_word(control);
        return 0;
    }
    // A paste may go past the typed limit (twenty lines of a log, say): the
    // edit takes it whole, and typing afterwards is held to the limit again.
    if (message == WM_PASTE) {
        SendMessageW(control, EM_SETLIMITTEXT, pasted_text_limit, 0);
        const LRESULT result = pass_on(control, message, wparam, lparam);
        SendMessageW(control, EM_SETLIMITTEXT, input_line_limit, 0);
        return result;
    }
    if (message == WM_KEYDOWN && (wparam == VK_UP || wparam == VK_DOWN)) {
        walk_history(control, wparam == VK_UP);
        return 0;
    }
    return pass_on(control, message, wparam, lparam);
}
