#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

struct PendingLine;

// The time the server gave the line being handled on this thread (its
// server-time tag), in milliseconds since 1970-01-01 UTC; 0 when it gave none
// and the line is as new as its arrival. Text queued for a chat meanwhile
// carries it (PendingLine::server_time), so a bouncer's playback keeps the
// times its lines were first said.
long long current_line_time();

// Sets the time for the lines handled while it lives, on this thread.
class LineTimeScope {
public:
    explicit LineTimeScope(long long time);
    ~LineTimeScope();
    LineTimeScope(const LineTimeScope&) = delete;
    LineTimeScope& operator=(const LineTimeScope&) = delete;

private:
    long long previous_;
};

// Now, in milliseconds since 1970-01-01 UTC.
long long utc_now_ms();

// The wall-clock time of `utc_ms` in `zone` (the system's time zone, its
// daylight saving time of that date, when null). False for a time Windows
// cannot convert.
bool local_time_of(long long utc_ms, SYSTEMTIME& local, const TIME_ZONE_INFORMATION* zone = nullptr);

// "[14:05] ": the local time of `utc_ms` in the user's short time format. A
// flood writes thousands of lines a second, all within the same minute: the
// text is made once per minute and kept (per thread).
const std::wstring& line_time_stamp(long long utc_ms);
// Characters a line's time takes, as made last; 0 while times are off. Any
// thread: the queue counts a line's text as it will be shown, so that the
// lines a flood pushes out of the scrollback are known before they are
// written (cutting them from a full buffer costs the control far more).
long long line_time_width();
void note_times_off();

// The user changed the format or the zone: the next line makes its time anew
// (user-interface thread, whose lines are written there).
void forget_line_time_stamp();

// Puts the time in front of each line of a piece (its start only when
// `at_line_start`; every line after a line end inside it), moving its
// formatting along: the server's time of the line when it gave one, else
// when it arrived (`arrived`), else now. Returns the characters added.
size_t stamp_line_time(PendingLine& piece, bool at_line_start);

// Whether what follows the piece starts a new line.
bool ends_line(const PendingLine& piece);
// Whether the piece holds a line end of its own (the program's texts of
// several lines): the lines after it get their times too.
bool has_inner_lines(const PendingLine& piece);
