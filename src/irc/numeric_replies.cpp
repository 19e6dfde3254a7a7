#include "irc/numeric_replies.h"

#include "app/chat_client.h"
#include "chat/chat_tabs.h"
#include "chat/palette.h"
#include "irc/capabilities.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"
#include "irc/sasl_login.h"
#include "irc/server_features.h"

namespace {
// Server texts shown from their trailing parameter (text after token 3).
constexpr int trailing_text_numerics[] = {1, 2, 3, 251, 255, 265, 266, 372, 375};
// Server texts shown from token 3 on, nothing skipped (their parameters matter).
constexpr int parameter_text_numerics[] = {4, 5};
// Replies that tell nothing the user needs.
constexpr int ignored_numerics[] = {329, 451};
// WHOIS lines collected for the correspondent's user-info box.
constexpr int whois_numerics[] = {301, 307, 311, 312, 313, 316, 317, 319, 330,
                                  337, 338, 342, 343, 350, 379, 671};

using Handler = void (*)(ChatClient&, const IrcLine&);
struct NumericRoute {
    int numeric;
    Handler handler;
};
constexpr NumericRoute routes[] = {
    {302, handle_userhost_reply}, {303, handle_ison_reply},    {318, handle_whois_end},
    {322, handle_list_row},       {323, handle_list_end},      {324, handle_channel_modes},
    {332, handle_channel_topic},  {340, handle_userip_reply},  {353, handle_names_reply},
};

template <size_t N>
bool listed(const int (&numerics)[N], int numeric) {
    for (int candidate : numerics)
        if (candidate == numeric) return true;
    return false;
}

void show_server_text(ChatClient& client, const std::wstring& text) {
    append_chat_text(text.c_str(), client, 0, colour_server_text, colour_black, true);
}
}  // namespace

void handle_numeric(ChatClient& client, const IrcLine& line, int numeric) {
    if (listed(trailing_text_numerics, numeric)) {
        show_server_text(client, line.text_after_token(3));
        if (numeric == 1) handle_welcome(client, line);
        return;
    }
    if (listed(parameter_text_numerics, numeric)) {
        show_server_text(client, line.text_from_token(3));
        if (numeric == 5) client.connection.features.change([&](ServerFeatures& features) { apply_isupport(features, line); });
        return;
    }
    if (handle_login_numeric(client, line, numeric) || handle_unknown_cap(client, line, numeric)) return;
    if (listed(ignored_numerics, numeric)) return;
    if (listed(whois_numerics, numeric)) {
        handle_whois_line(client, line);
        return;
    }
    for (const NumericRoute& route : routes) {
        if (route.numeric == numeric) {
            route.handler(client, line);
            return;
        }
    }
    if (numeric == 376 || numeric == 422) {
        on_registered(client);
        return;
    }
    if (handle_error_reply(client, line, numeric)) return;
    show_server_text(client, line.text);
}
