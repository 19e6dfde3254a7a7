#include "irc/playback.h"

#include "irc/irc_line.h"
#include "irc/receive_state.h"

namespace {
// ZNC's name for its playback batch, and the standard chat history's.
constexpr const wchar_t* playback_types[] = {L"znc.in/playback", L"chathistory"};
}  // namespace

void begin_line_times(ReceiveState& state, const std::wstring& server) {
    if (state.line_times_server == server) return;
    state.line_times_server = server;
    state.newest_line_time = 0;
}

void note_line_time(ReceiveState& state, const IrcLine& line) {
    if (line.server_time > state.newest_line_time) state.newest_line_time = line.server_time;
}

bool is_playback_batch(const std::wstring& type) {
    for (const wchar_t* playback : playback_types)
        if (type == playback) return true;
    return false;
}

bool played_back_before(const IrcLine& line, long long newest) {
    return line.server_time != 0 && line.server_time <= newest;
}
