#pragma once

// What the server tab says while a lost connection is being restored.
namespace reconnect_text {
// The wait in whole seconds, rounded up, and the attempt's number.
constexpr const wchar_t* waiting_format = L"Reconnecting in %d s (attempt %d)";
// The number of channels asked for again.
constexpr const wchar_t* rejoining_format = L"Reconnected. Rejoining %d channel(s)";
}  // namespace reconnect_text
