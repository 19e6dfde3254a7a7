#pragma once
#include <windows.h>

#include <vector>

#include "chat/chat_record.h"

// Writes coloured pieces (PendingLine: text, colours, line break) at the end of
// a chat buffer in as few rich-edit calls as possible, first dropping the
// oldest lines so that the buffer stays near `limit` characters. Pieces that
// would be dropped at once are never written. User-interface thread.
void write_pieces(HWND buffer, const std::vector<PendingLine>& pieces, long limit);
