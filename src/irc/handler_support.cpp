#include "irc/handler_support.h"

#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/ui_thread.h"

namespace {
constexpr wchar_t bracket_format[] = L"[%s]";
}

void append_line(ChatClient& client, int slot, std::initializer_list<TextPart> parts) {
    std::vector<TextPart> pieces(parts);
    run_on_ui_thread(client, [&] {
        for (size_t i = 0; i < pieces.size(); ++i)
            append_chat_text(pieces[i].text.c_str(), client, slot, pieces[i].colour, pieces[i].background,
                             i + 1 == pieces.size());
    });
}

std::wstring bracketed(const std::wstring& nickname) {
    return format_text(bracket_format, nickname);
}

bool is_own_nickname(const ChatClient& client, const wchar_t* nickname) {
    const std::wstring& own = client.connection.nickname;
    return !own.empty() && nickname && own == nickname;
}
