#include "controls/input_edit.h"

#include <string>

#include "app/chat_client.h"
#include "controls/input_line.h"

namespace {

void submit_line(ChatClient& client, HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, &text[0], length + 1)));
    if (text.empty()) return;

    // The receive thread may close the connection at any moment: read once.
    if (!client.server_socket.connected) {
        process_offline_line(client, text.c_str());
        SetWindowTextW(control, L"");
        return;
    }
    if (clears_input(process_input_line(client, text.c_str()))) SetWindowTextW(control, L"");
}

}  // namespace

LRESULT InputEdit::handle_message(HWND control, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR && wparam == L'\r' && client) {
        submit_line(*client, control);
        return 0;
    }
    return pass_on(control, message, wparam, lparam);
}
