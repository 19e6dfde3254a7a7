#include "irc/away_reply.h"

#include <map>
#include <mutex>

#include "app/chat_client.h"
#include "irc/statistics.h"
#include "net/irc_commands.h"

namespace {
// A flood of correspondents must not grow the memory without end.
constexpr size_t remembered_correspondents = 256;

std::mutex answered_lock;
std::map<std::wstring, std::wstring> last_answered;  // correspondent -> message
}  // namespace

bool send_away_reply(ChatClient& client, const std::wstring& correspondent, const std::wstring& message,
                     const std::wstring& away_text) {
    {
        std::lock_guard<std::mutex> hold(answered_lock);
        auto found = last_answered.find(correspondent);
        if (found != last_answered.end() && found->second == message) return false;
        if (found == last_answered.end() && last_answered.size() >= remembered_correspondents) last_answered.clear();
        last_answered[correspondent] = message;
    }
    send_command(client.server_socket, irc::privmsg, correspondent, away_text);
    count_event(client, client.stats_away_replies);
    return true;
}
