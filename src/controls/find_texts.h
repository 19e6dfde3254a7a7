#pragma once

// Texts of the Find box over a chat.
namespace find_text {
constexpr wchar_t label[] = L"Find";
constexpr wchar_t no_match[] = L"no match";
}  // namespace find_text
