#include "irc/handler_support.h"

#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "chat/chat_tabs.h"
#include "chat/irc_formatting.h"
#include "chat/ui_thread.h"

namespace {
constexpr wchar_t bracket_format[] = L"[%s]";
}

namespace {
std::vector<PendingLine> line_pieces(std::initializer_list<TextPart> parts) {
    std::vector<PendingLine> pieces;
    pieces.reserve(parts.size());
    for (const TextPart& part : parts)
        pieces.push_back(PendingLine{part.text, part.colour, part.background, false, part.runs});
    if (!pieces.empty()) pieces.back().line_break = true;
    return pieces;
}
}  // namespace

void append_line(ChatClient& client, int slot, std::initializer_list<TextPart> parts) {
    append_chat_line(client, slot, line_pieces(parts));
}

void append_line(ChatClient& client, int slot, unsigned generation, std::initializer_list<TextPart> parts) {
    append_chat_line(client, slot, generation, line_pieces(parts));
}

std::wstring bracketed(const std::wstring& nickname) {
    return format_text(bracket_format, nickname);
}

bool is_own_nickname(const ChatClient& client, const wchar_t* nickname) {
    const std::wstring& own = client.connection.nickname;
    return !own.empty() && nickname && client.connection.features.same_name(own, nickname);
}

size_t own_nickname_limit(const ChatClient& client) {
    return client.connection.features.granted_nickname_limit(nickname_capacity - 1);
}

TextPart sender_text(const ChatClient& client, const std::wstring& text, COLORREF colour) {
    if (client.strip_formatting) return {strip_formatting(text), colour};
    FormattedText formatted = parse_formatting(text);
    return {std::move(formatted.text), colour, colour_black, std::move(formatted.runs)};
}
