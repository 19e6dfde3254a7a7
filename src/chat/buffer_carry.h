#pragma once
// A full chat buffer handed over to a fresh control a slice at a time, rather
// than cut from its front. The rich-edit control's cost of a cut grows with
// the cut times the lines left behind it (about 20 ms for 1,000 characters
// from a full buffer of the default scrollback, in one call that no clock
// interrupts), so a flood that keeps writing into a full buffer spends nearly
// all its time cutting. Instead, once a write would cut more than a little,
// a hidden fresh control takes over the newest half of the scrollback,
// copied over (as RTF, formats and all) in slices of the queue's
// timer, while the full buffer takes new text uncut at its end; the copy
// follows that too, and once it has caught up the fresh control takes the
// buffer's place. Then half a scrollback goes in before anything is cut
// again. User-interface thread.
#include <windows.h>

class ChatClient;
struct ChatRecord;

// How `text` characters (a write and what is sure to follow it in the same
// chat) go into a buffer of `length` characters: where they fit; cutting
// the buffer's front for them, while that is little; into a fresh control
// when they make half the scrollback or more (the buffer then holds at least
// that half); otherwise carrying the buffer over.
enum class WritePath { room, cut, carry, fresh };
WritePath write_path(long length, long long text, long limit);

// Starts carrying the chat's buffer over to a fresh control, which is to
// hold the newest lines of it that, with `text` characters to come, make
// half of `limit`.
void start_carry(ChatClient& client, ChatRecord& chat, long long text, long limit);

// Whether the chat's buffer is being carried over: it takes text uncut.
bool carrying(const ChatRecord& chat);

// Copies up to `characters` characters of the carries under way (0: all of
// them); a carry that has caught up takes its buffer's place. Returns the
// characters copied.
long long advance_carries(ChatClient& client, long long characters);

// Whether any of the client's buffers is being carried over (and may go on
// now: its reader is at the end).
bool carries_under_way(const ChatClient& client);

// Forgets the chat's carry (its buffer was replaced or closed).
void drop_carry(const ChatRecord& chat);
