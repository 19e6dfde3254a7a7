#include "net/connect_step.h"

#include <windows.h>
#include <ws2tcpip.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/text.h"
#include "app/wire_text.h"
#include "net/address_list.h"
#include "net/socket_waits.h"

namespace {
constexpr DWORD lookup_check_ms = socket_check_us / 1000;

// A name lookup cannot be interrupted: it runs on a thread of its own, which a
// waiter that no longer wants the answer simply leaves to finish alone.
struct Lookup {
    std::string name;
    unsigned short port = 0;
    std::mutex lock;
    std::vector<ResolvedAddress> addresses;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Lookup() {
        if (done) CloseHandle(done);
    }
};

DWORD WINAPI lookup_main(void* parameter) {
    std::unique_ptr<std::shared_ptr<Lookup>> holder(static_cast<std::shared_ptr<Lookup>*>(parameter));
    Lookup& lookup = **holder;
    std::vector<ResolvedAddress> found;
    int error = 0;
    if (resolve_addresses(lookup.name, lookup.port, found, error)) {
        std::lock_guard<std::mutex> guard(lookup.lock);
        lookup.addresses = std::move(found);
    }
    SetEvent(lookup.done);
    return 0;
}

std::vector<ResolvedAddress> resolve(const std::string& name, unsigned short port,
                                     const std::function<bool()>& still_wanted) {
    auto lookup = std::make_shared<Lookup>();
    if (!lookup->done) return {};
    lookup->name = name;
    lookup->port = port;
    auto* holder = new std::shared_ptr<Lookup>(lookup);
    HANDLE thread = CreateThread(nullptr, 0, lookup_main, holder, 0, nullptr);
    if (!thread) {
        delete holder;
        return {};
    }
    CloseHandle(thread);
    while (WaitForSingleObject(lookup->done, lookup_check_ms) == WAIT_TIMEOUT)
        if (!still_wanted()) return {};
    std::lock_guard<std::mutex> guard(lookup->lock);
    return lookup->addresses;
}

}  // namespace

SOCKET open_server_connection(const wchar_t* host, unsigned short port, const std::function<bool()>& still_wanted) {
    if (!host || !code_page_holds(host, wcslen(host), CP_ACP)) return INVALID_SOCKET;
    const std::string name = narrow_text(host, CP_ACP);
    if (name.empty() || name.size() > 62) return INVALID_SOCKET;
    const std::vector<ResolvedAddress> addresses = resolve(name, port, still_wanted);
    if (addresses.empty() || !still_wanted()) return INVALID_SOCKET;
    return connect_first_reachable(addresses, still_wanted, next_address_after_ms, address_connect_limit_ms);
}
