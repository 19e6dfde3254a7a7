#include "irc/sasl_login.h"

#include "app/base64.h"
#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "chat/chat_tabs.h"
#include "crypto/scram.h"
#include "irc/capabilities.h"
#include "irc/irc_line.h"
#include "irc/login_texts.h"
#include "net/irc_commands.h"

namespace {
constexpr size_t piece_length = 400;
// A challenge longer than this is no login a client can answer.
constexpr size_t longest_challenge = 16 * 1024;
constexpr const wchar_t* empty_piece = L"+";
constexpr const wchar_t* abort_piece = L"*";

ReceiveState& state_of(ChatClient& client) { return client.connection.receive; }

void send_message(ChatClient& client, const std::string& message) {
    for (const std::wstring& piece : authenticate_pieces(message))
        send_command(client.server_socket, irc::authenticate, piece);
}

// The login did not happen: said in the server tab; the connection ends when
// the user wants it only with the account. Else the negotiation goes on, or
// ends when the login was its last step.
void fail(ChatClient& client, const std::wstring& reason, bool negotiation_goes_on = false) {
    ReceiveState& state = state_of(client);
    state.login = ReceiveState::Login::failed;
    const std::wstring text = state.mechanisms.empty()
                                  ? format_text(login_text::failed_format, reason)
                                  : format_text(login_text::failed_with_mechanisms_format, reason, state.mechanisms);
    append_server_line(client, text, true);
    if (!client.connection.account.required) {
        append_server_line(client, login_text::going_on);
        if (!negotiation_goes_on) end_capability_negotiation(client);
        return;
    }
    append_server_line(client, login_text::ending, true);
    state.refused = true;
    state.negotiating = false;
    send_command(client.server_socket, irc::quit);
    if (client.server_socket.connected) close_connection(client.server_socket);
}

bool mechanism_offered(const std::wstring& offered, const wchar_t* mechanism) {
    // An empty value (a server that does not list them) offers whatever it may.
    if (offered.empty()) return true;
    size_t start = 0;
    while (start <= offered.size()) {
        size_t end = offered.find(L',', start);
        if (end == std::wstring::npos) end = offered.size();
        if (offered.compare(start, end - start, mechanism) == 0) return true;
        start = end + 1;
    }
    return false;
}

void answer_challenge(ChatClient& client, const std::string& challenge) {
    ReceiveState& state = state_of(client);
    const ServerAccount& account = client.connection.account;
    std::string error;
    switch (account.method) {
        case SaslMethod::plain:
            send_message(client, std::string(1, '\0') + utf8_text(account.account) + '\0' + utf8_text(account.password));
            return;
        case SaslMethod::external:
            send_command(client.server_socket, irc::authenticate, empty_piece);
            return;
        case SaslMethod::scram_sha_256:
            if (!state.scram) {
                state.scram.reset(new ScramClient(utf8_text(account.account), utf8_text(account.password)));
                send_message(client, state.scram->client_first());
                return;
            }
            if (!state.scram->answered()) {
                std::string reply;
                if (!state.scram->answer(challenge, reply, error)) break;
                send_message(client, reply);
                return;
            }
            if (state.scram_verified) {
                error = "unexpected challenge";
                break;
            }
            if (!state.scram->verify(challenge, error)) break;
            state.scram_verified = true;
            send_command(client.server_socket, irc::authenticate, empty_piece);
            return;
        case SaslMethod::none:
            return;
    }
    send_command(client.server_socket, irc::authenticate, abort_piece);
    fail(client, text_from_utf8(error));
}
}  // namespace

std::vector<std::wstring> authenticate_pieces(const std::string& message) {
    const std::string encoded = base64_encode(message);
    std::vector<std::wstring> pieces;
    for (size_t at = 0; at < encoded.size(); at += piece_length)
        pieces.push_back(text_from_utf8(encoded.substr(at, piece_length)));
    if (encoded.size() % piece_length == 0) pieces.push_back(empty_piece);
    return pieces;
}

bool prepare_login(ChatClient& client) {
    const ServerAccount& account = client.connection.account;
    if (account.method == SaslMethod::none) return false;
    const ReceiveState& state = state_of(client);
    const auto sasl = state.offered.find(L"sasl");
    const bool tls = client.connection.tls;
    std::wstring reason;
    if (sasl == state.offered.end())
        reason = login_text::no_sasl;
    else if (!mechanism_offered(sasl->second, sasl_mechanism_name(account.method)))
        reason = format_text(login_text::no_mechanism_format, sasl_mechanism_name(account.method));
    else if (account.method == SaslMethod::external && !tls)
        reason = login_text::no_certificate;
    else if (!tls && !account.allow_unencrypted)
        reason = login_text::unencrypted;
    else
        return true;
    fail(client, reason, true);
    return false;
}

bool start_login(ChatClient& client) {
    const ServerAccount& account = client.connection.account;
    ReceiveState& state = state_of(client);
    if (account.method == SaslMethod::none || state.login != ReceiveState::Login::idle) return false;
    state.login = ReceiveState::Login::started;
    send_command(client.server_socket, irc::authenticate, sasl_mechanism_name(account.method));
    return true;
}

void handle_authenticate(ChatClient& client, const IrcLine& line) {
    ReceiveState& state = state_of(client);
    if (state.login != ReceiveState::Login::started) return;
    // Without a prefix the payload is token 1; a server may put its name in
    // front, and may send it as a trailing parameter (":+", InspIRCd).
    std::wstring piece = line.token(0) == L"AUTHENTICATE" ? line.token(1) : line.token(2);
    if (!piece.empty() && piece[0] == L':') piece.erase(0, 1);
    if (piece != empty_piece) state.login_message += piece;
    if (state.login_message.size() > longest_challenge) {
        state.login_message.clear();
        send_command(client.server_socket, irc::authenticate, abort_piece);
        fail(client, L"challenge too long");
        return;
    }
    if (piece.size() == piece_length) return;  // more follows
    std::string challenge;
    const bool decoded = base64_decode(utf8_text(state.login_message), challenge);
    state.login_message.clear();
    if (!decoded) {
        send_command(client.server_socket, irc::authenticate, abort_piece);
        fail(client, L"malformed challenge");
        return;
    }
    answer_challenge(client, challenge);
}

bool handle_login_numeric(ChatClient& client, const IrcLine& line, int numeric) {
    ReceiveState& state = state_of(client);
    switch (numeric) {
        case 900:  // ":server 900 nick nick!user@host account :You are now logged in as account"
            append_server_line(client, format_text(login_text::logged_in_format, line.token(4)));
            return true;
        case 901:
            append_server_line(client, login_text::logged_out);
            return true;
        case 903:
            if (state.login == ReceiveState::Login::started) state.login = ReceiveState::Login::succeeded;
            end_capability_negotiation(client);
            return true;
        case 908:  // ":server 908 nick PLAIN,EXTERNAL :are available SASL mechanisms"
            state.mechanisms = cut_text(line.token(3), 200);
            return true;
        case 902:
        case 904:
        case 905:
        case 906:
        case 907:
            if (state.login == ReceiveState::Login::started) fail(client, line.text_after_token(3));
            return true;
        default:
            return false;
    }
}
