#pragma once

// What the transfer of a sealed file shows, in the status bar and in the chat.
namespace sealed_file_text {
// The wire name: "sealed_" and the file id, then the usual ending.
constexpr char wire_prefix[] = "sealed_";
constexpr wchar_t sending[] = L"Sending '%s' sealed.";
constexpr wchar_t received[] = L"[SEALED] File '%s' received whole and saved as '%s'.";
constexpr wchar_t failed[] =
    L"[REJECTED] - a sealed file failed its check (altered, cut short or under another key); nothing was saved.";
constexpr wchar_t not_saved[] = L"A sealed file checked whole but could not be saved in the Downloads folder.";
constexpr wchar_t unannounced[] = L"File '%s' refused: no sealed chat announced it.";
}  // namespace sealed_file_text
