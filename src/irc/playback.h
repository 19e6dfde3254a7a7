#pragma once
#include <string>

class ChatClient;
struct IrcLine;
struct ReceiveState;

// A bouncer plays back what it kept for the user each time the program
// connects, inside a batch of its own, every line with the time it was said.
// After a reconnect the chats are still open and hold the lines shown before
// the loss: a played-back line no newer than the newest line of that server
// handled on an earlier connection was shown, and is left out. (Lines of the
// connection itself do not count: a bouncer stamps the channel's JOIN and
// names with the time it sends them, ahead of the playback they precede.)

// Receive thread, at the start of each connection: the times noted so far
// count only for the same server (`server`: host, port and login).
void begin_line_times(ReceiveState& state, const std::wstring& server);

// Receive thread, for every line handled: notes its server time.
void note_line_time(ReceiveState& state, const IrcLine& line);

// Whether a batch of that type ("BATCH +name type") is a playback.
bool is_playback_batch(const std::wstring& type);

// Whether a line of a playback batch was shown already, on an earlier
// connection.
bool played_back_before(const ReceiveState& state, const IrcLine& line);
