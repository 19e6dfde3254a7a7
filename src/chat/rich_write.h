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

// Characters of `pieces` as the buffer counts them (a line end counts one).
long incoming_length(const std::vector<PendingLine>& pieces);

// The buffer's cuts from the front go this far beyond what a write needs.
long cut_step(long limit);

// The start of the line after the one `at` falls into (`at` when no line end
// follows within a thousand characters).
LONG line_start_after(HWND buffer, LONG at);

// Moves the caret and the selection to the end of the buffer.
void select_end(HWND buffer);

// A shown buffer would repaint after every cut and insertion; with drawing
// off, a batch costs one paint, made when the window is next idle.
class RedrawOff {
public:
    explicit RedrawOff(HWND buffer) : buffer_(IsWindowVisible(buffer) ? buffer : nullptr) {
        if (buffer_) SendMessageW(buffer_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawOff() {
        if (!buffer_) return;
        SendMessageW(buffer_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(buffer_, nullptr, FALSE);
    }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;

private:
    HWND buffer_;
};
