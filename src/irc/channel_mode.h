#pragma once

class ChatClient;

// Applies one channel mode change ("+k", "-s", "+o", ...; only the first two
// characters count) to the slot's mode flags, then refreshes the channel
// controls when the slot is the selected one. Any thread; the flags change on
// the user-interface thread. Nothing for slot 0 or a slot out of range.
void apply_channel_mode(ChatClient& client, const wchar_t* mode_text, int slot, const wchar_t* argument);
