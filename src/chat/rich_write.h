#pragma once
#include <windows.h>

#include <vector>

#include "chat/chat_record.h"

// Writes coloured pieces (PendingLine: text, colours, line break) at the end of
// a chat buffer in as few rich-edit calls as possible, first dropping the
// oldest lines so that the buffer stays near `limit` characters. Pieces that
// would be dropped at once are never written. User-interface thread.
void write_pieces(HWND buffer, const std::vector<PendingLine>& pieces, long limit);

// True when writing `pieces`, and then `text_behind` characters that are sure
// to follow, would cut every line the buffer holds now. The control's cost of
// cutting a full buffer from the front is seconds, far more than a fresh
// control: the caller may start one instead.
bool leaves_nothing_behind(const std::vector<PendingLine>& pieces, long limit, long long text_behind = 0);
// The same for `text` characters in all.
bool leaves_nothing_behind(long long text, long limit);

// Characters the buffer holds (a line end counts one).
long buffer_text_length(HWND buffer);
