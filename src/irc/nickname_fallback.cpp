#include "irc/nickname_fallback.h"

#include <atomic>

#include "app/chat_client.h"
#include "net/irc_commands.h"

namespace {
constexpr size_t shortest_nickname_limit = 9;

std::atomic<unsigned> offered_connection{0};
// Alternatives sent on the offered connection; only its receive thread counts.
std::atomic<int> tries{0};
}  // namespace

std::wstring alternative_nickname(const std::wstring& refused) {
    if (refused.empty()) return L"";
    if (refused.size() < shortest_nickname_limit) return refused + L'_';
    std::wstring alternative = refused;
    const size_t last = alternative.find_last_not_of(L'_');
    if (last == std::wstring::npos || last == 0) return L"";
    alternative[last] = L'_';
    return alternative;
}

void offer_alternative_nicknames(unsigned connection) {
    tries = 0;
    offered_connection = connection;
}

bool try_alternative_nickname(ChatClient& client, const std::wstring& refused) {
    ServerSocket& server = client.server_socket;
    const unsigned connection = connection_number(server);
    // Only before registration: a nickname the user asks for later is refused
    // as ever.
    if (connection == 0 || offered_connection != connection || server.registered == connection) return false;
    if (tries >= alternative_nickname_tries) return false;
    const std::wstring alternative = alternative_nickname(refused);
    if (alternative.empty() || alternative.size() >= size_t(nickname_capacity)) return false;
    ++tries;
    return send_command(server, irc::nick, alternative);
}
