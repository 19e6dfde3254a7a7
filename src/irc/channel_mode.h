#pragma once

class ChatClient;

// Applies one channel mode change ("+k", "-s", "+o", ...; only the first two
// characters count) to the mode flags of the chat of that slot and generation
// (as a look-up saw it), then refreshes the channel controls when it is the
// selected one. Any thread, without waiting: the flags change on the
// user-interface thread. Nothing for slot 0 or a slot out of range.
void apply_channel_mode(ChatClient& client, const wchar_t* mode_text, int slot, unsigned generation,
                        const wchar_t* argument);

// The same for whatever chat the slot holds now.
void apply_channel_mode(ChatClient& client, const wchar_t* mode_text, int slot, const wchar_t* argument);
