#include "net/proxy_route.h"

#include <atomic>

#include "app/text.h"
#include "net/connect_step.h"
#include "net/host_port.h"
#include "net/proxy_texts.h"
#include "net/socks5.h"

namespace {
std::atomic<bool> configured{false};

// UTF-8: the proxy gets the name as typed, whatever the code page.
std::string utf8(const std::wstring& text) {
    return narrow_text(text.c_str(), CP_UTF8);
}
}  // namespace

void set_proxy_configured(bool on) {
    configured = on;
}

bool proxy_configured() {
    return configured;
}

SOCKET open_through_proxy(const ProxyRoute& proxy, const std::wstring& host, unsigned short port,
                          const std::function<bool()>& still_wanted, std::wstring& error) {
    if (proxy.host.empty() || proxy.port == 0) {
        error = proxy_text::not_set;
        return INVALID_SOCKET;
    }
    const SOCKET sock = open_server_connection(proxy.host.c_str(), proxy.port, still_wanted);
    if (sock == INVALID_SOCKET) {
        error = format_text(proxy_text::unreachable_format, host_for_display(proxy.host), static_cast<int>(proxy.port));
        return INVALID_SOCKET;
    }
    const Socks5Request request{utf8(host_without_brackets(host)), port, utf8(proxy.username), utf8(proxy.password)};
    const Socks5Outcome outcome = socks5_connect(sock, request, still_wanted);
    if (outcome.connected) return sock;
    error = outcome.error;
    closesocket(sock);
    return INVALID_SOCKET;
}
