#pragma once

// Texts of the notice a mention shows when the window is not in front.
namespace mention_text {
// The chat's name (a channel, or the sender of a private message).
constexpr wchar_t title_format[] = L"Quillmere: %s";
// Sender, the start of the message.
constexpr wchar_t body_format[] = L"<%s> %s";
constexpr wchar_t tip[] = L"Quillmere";
}  // namespace mention_text
