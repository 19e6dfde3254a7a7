// Capability negotiation: what the server offers, what the program asks for,
// and the end of it, after the account login when there is one.

#include "irc/capabilities.h"

#include "app/chat_client.h"
#include "irc/irc_line.h"
#include "irc/sasl_login.h"
#include "net/irc_commands.h"

namespace {
constexpr const wchar_t* used_capabilities[] = {
    L"multi-prefix", L"server-time", L"message-tags", L"away-notify", L"account-notify",
    L"extended-join", L"cap-notify", L"batch",
};
// A bouncer's older name for server-time, wanted only when the real one is not offered.
constexpr const wchar_t* bouncer_server_time = L"znc.in/server-time-iso";
constexpr const wchar_t* sasl = L"sasl";
// A server that lists thousands of capabilities is not listened to beyond these.
constexpr size_t most_offered = 256;

// The capability names of the list that starts at token k (its ':' dropped).
std::vector<std::wstring> capability_words(const IrcLine& line, size_t k) {
    std::wstring text = line.text_from_token(k);
    if (!text.empty() && text[0] == L':') text.erase(0, 1);
    std::vector<std::wstring> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L' ', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

void note_offered(ReceiveState& state, const std::vector<std::wstring>& words) {
    for (const std::wstring& word : words) {
        if (state.offered.size() >= most_offered) return;
        const size_t equals = word.find(L'=');
        state.offered[word.substr(0, equals)] = equals == std::wstring::npos ? L"" : word.substr(equals + 1);
    }
}

std::vector<std::wstring> offered_names(const ReceiveState& state) {
    std::vector<std::wstring> names;
    for (const auto& entry : state.offered) names.push_back(entry.first);
    return names;
}

bool request(ChatClient& client, const std::vector<std::wstring>& names) {
    if (names.empty()) return false;
    std::wstring list;
    for (const std::wstring& name : names) list += (list.empty() ? L"" : L" ") + name;
    return send_command(client.server_socket, irc::cap_request, list);
}

// The whole list has come: ask for what is used, or end at once.
void answer_offer(ChatClient& client) {
    ReceiveState& state = client.connection.receive;
    if (!state.negotiating) return;
    const bool with_login = prepare_login(client);
    if (!state.negotiating) return;  // the connection was ended
    if (!request(client, wanted_capabilities(offered_names(state), with_login))) end_capability_negotiation(client);
}

void acknowledged(ChatClient& client, const std::vector<std::wstring>& words) {
    bool login = false;
    client.connection.features.change([&](ServerFeatures& features) {
        for (const std::wstring& word : words) {
            if (!word.empty() && word[0] == L'-') features.capabilities.erase(word.substr(1));
            else if (!word.empty()) features.capabilities.insert(word);
            login = login || word == sasl;
        }
    });
    if (!client.connection.receive.negotiating) return;
    if (login && start_login(client)) return;
    end_capability_negotiation(client);
}
}  // namespace

std::vector<std::wstring> wanted_capabilities(const std::vector<std::wstring>& offered, bool with_login) {
    const auto has = [&](const wchar_t* name) {
        for (const std::wstring& candidate : offered)
            if (candidate == name) return true;
        return false;
    };
    std::vector<std::wstring> wanted;
    for (const wchar_t* name : used_capabilities)
        if (has(name)) wanted.push_back(name);
    if (!has(L"server-time") && has(bouncer_server_time)) wanted.push_back(bouncer_server_time);
    if (with_login && has(sasl)) wanted.push_back(sasl);
    return wanted;
}

void begin_capability_negotiation(ChatClient& client) {
    client.connection.receive.negotiating = true;
    send_command(client.server_socket, irc::cap_ls);
}

void end_capability_negotiation(ChatClient& client) {
    ReceiveState& state = client.connection.receive;
    if (!state.negotiating) return;
    state.negotiating = false;
    send_command(client.server_socket, irc::cap_end);
}

void handle_cap(ChatClient& client, const IrcLine& line) {
    // ":server CAP nick SUBCOMMAND [*] :list": "*" before the list says more lines follow.
    const std::wstring& subcommand = line.token(3);
    const bool more = line.token(4) == L"*";
    const std::vector<std::wstring> words = capability_words(line, more ? 5 : 4);
    ReceiveState& state = client.connection.receive;
    if (subcommand == L"LS") {
        note_offered(state, words);
        if (!more) answer_offer(client);
    } else if (subcommand == L"ACK") {
        acknowledged(client, words);
    } else if (subcommand == L"NAK") {
        end_capability_negotiation(client);
    } else if (subcommand == L"NEW") {
        note_offered(state, words);
        std::vector<std::wstring> names;
        for (const std::wstring& word : words) names.push_back(word.substr(0, word.find(L'=')));
        const ServerFeatures features = client.connection.features.get();
        std::vector<std::wstring> wanted;
        for (const std::wstring& name : wanted_capabilities(names, false))
            if (!features.has(name.c_str())) wanted.push_back(name);
        request(client, wanted);
    } else if (subcommand == L"DEL") {
        client.connection.features.change([&](ServerFeatures& features) {
            for (const std::wstring& word : words) {
                features.capabilities.erase(word);
                state.offered.erase(word);
            }
        });
    }
}

bool handle_unknown_cap(ChatClient& client, const IrcLine& line, int numeric) {
    if (numeric != 421 || line.token(3) != L"CAP") return false;
    client.connection.receive.negotiating = false;
    return true;
}
