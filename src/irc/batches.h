#pragma once

class ChatClient;
struct IrcLine;

// Lines of a batch (a bouncer's playback, a netsplit) are held until the
// batch ends, then handled together in their order.

// True when the line belongs to a batch still open and was held back.
bool hold_for_batch(ChatClient& client, const IrcLine& line);

// "BATCH +name type ..." opens a batch, "BATCH -name" ends it.
void handle_batch(ChatClient& client, const IrcLine& line);
