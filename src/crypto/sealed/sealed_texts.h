#pragma once

// What a private chat says about its sealed session.
namespace sealed_text {
constexpr wchar_t sealed_marker[] = L"[SEALED]";
constexpr wchar_t unsealed_marker[] = L"[UNSEALED]";
constexpr wchar_t line_format[] = L" %s - %s";         // marker, text
constexpr wchar_t action_format[] = L" %s * %s %s";    // marker, nickname, action
constexpr wchar_t established[] = L"Sealed: password confirmed, forward secret";
constexpr wchar_t mismatch[] = L"The other side holds a different password.";
constexpr wchar_t fallback[] =
    L"The other side does not offer sealed chats; messages use the compatible format, which does not detect "
    L"alteration.";
constexpr wchar_t rejected[] = L"[REJECTED] - a message that was altered, replayed or reflected was dropped";
constexpr wchar_t missed_format[] = L"%d messages did not arrive";
constexpr wchar_t refused[] =
    L"Too many failed password confirmations from this nickname: its offers of a sealed chat are refused for now.";
constexpr wchar_t unsealed_warning[] =
    L"Warning: this chat is sealed, yet this line came in the compatible format; it may have been altered or sent "
    L"by someone else.";
constexpr wchar_t offering[] = L"Offering a sealed chat; lines wait for the answer.";
}  // namespace sealed_text
