#include "irc/playback.h"

#include "chat/line_time.h"

#include "irc/irc_line.h"
#include "irc/receive_state.h"

namespace {
// ZNC's name for its playback batch, and the standard chat history's.
constexpr const wchar_t* playback_types[] = {L"znc.in/playback", L"chathistory"};
// How far a server's clock may run ahead of ours and its times still count.
constexpr long long most_clock_lead_ms = 60 * 60 * 1000;
}  // namespace

void begin_line_times(ReceiveState& state, const std::wstring& server) {
    if (state.line_times_server != server) {
        state.line_times_server = server;
        state.newest_line_time = 0;
    }
    state.shown_before_connection = state.newest_line_time;
}

void note_line_time(ReceiveState& state, const IrcLine& line) {
    if (line.server_time <= state.newest_line_time) return;
    // A time far ahead of the clock (a server's wrong clock, a forged tag)
    // would hide every playback of that server to come.
    if (line.server_time > utc_now_ms() + most_clock_lead_ms) return;
    state.newest_line_time = line.server_time;
}

bool is_playback_batch(const std::wstring& type) {
    for (const wchar_t* playback : playback_types)
        if (type == playback) return true;
    return false;
}

bool played_back_before(const ReceiveState& state, const IrcLine& line) {
    return line.server_time != 0 && line.server_time <= state.shown_before_connection;
}
