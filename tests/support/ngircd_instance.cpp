#include "support/ngircd_instance.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>

#include "net/address_list.h"
#include "support/file_bytes.h"
#include "support/linux_shell.h"

namespace ngircd_test {

namespace {

int free_port() {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    int port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    closesocket(probe);
    return port;
}

bool wait_for(bool wanted, int port, int timeout_ms) {
    const DWORD deadline = GetTickCount() + timeout_ms;
    while (listening(port) != wanted) {
        if (static_cast<int>(deadline - GetTickCount()) <= 0) return false;
        Sleep(50);
    }
    return true;
}

// Makes the named certificate once; returns its fingerprint, or empty.
std::string make_certificate(const std::string& name, std::string& error) {
    const std::string script =
        "[ -f cert-" + name + ".pem ] || /usr/bin/openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
        " -keyout key-" + name + ".pem -out cert-" + name + ".pem\n"
        "/usr/bin/openssl x509 -noout -fingerprint -sha256 -in cert-" + name + ".pem | sed 's/^.*=//' >fingerprint-" +
        name + "\n";
    if (!linux_shell::run(script, error, 60000)) return {};
    std::string fingerprint =
        read_file_bytes(linux_shell::scratch_folder_wide() + L"fingerprint-" + std::wstring(name.begin(), name.end()));
    while (!fingerprint.empty() && (fingerprint.back() == '\n' || fingerprint.back() == '\r')) fingerprint.pop_back();
    if (fingerprint.empty()) error = "openssl gave no fingerprint";
    return fingerprint;
}

}  // namespace

bool listening(int port) {
    std::vector<ResolvedAddress> addresses, ipv6;
    int error = 0;
    resolve_addresses("127.0.0.1", static_cast<unsigned short>(port), addresses, error);
    resolve_addresses("::1", static_cast<unsigned short>(port), ipv6, error);
    addresses.insert(addresses.end(), ipv6.begin(), ipv6.end());
    SOCKET probe = connect_first_reachable(addresses, [] { return true; });
    closesocket(probe);
    return probe != INVALID_SOCKET;
}

bool ServerInstance::start(const ServerOptions& options, std::string& error) {
    stop();
    static std::atomic<int> instances{0};
    if (number_ == 0) number_ = ++instances;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    port_ = options.port ? options.port : free_port();
    tls_port_ = options.tls_port == 0 ? free_port() : options.tls_port;
    fingerprint_.clear();
    if (tls_port_ > 0) {
        fingerprint_ = make_certificate(options.certificate, error);
        if (fingerprint_.empty()) return false;
    }
    const std::string folder = linux_shell::scratch_folder();
    const std::string tag = "ngircd-" + std::to_string(number_);
    std::string config =
        "[Global]\nName = irc.quillmere.test\nInfo = Quillmere test server\nListen = " + options.listen + "\n"
        "Ports = " + std::to_string(port_) + "\n"
        "AdminInfo1 = test\nAdminInfo2 = 127.0.0.1\nAdminEMail = nobody@localhost\n"
        "[Limits]\nMaxConnectionsIP = 0\nMaxNickLength = 30\nMaxPenaltyTime = 0\nPingTimeout = 120\nPongTimeout = 60\n"
        "[Options]\nPAM = no\nIdent = no\nDNS = no\n";
    if (tls_port_ > 0)
        config += "[SSL]\nPorts = " + std::to_string(tls_port_) + "\nCertFile = " + folder + "/cert-" +
                  options.certificate + ".pem\nKeyFile = " + folder + "/key-" + options.certificate + ".pem\n";
    const std::string script = "cat >" + tag + ".conf <<'CONF'\n" + config +
                               "CONF\nsetsid /usr/sbin/ngircd -n -f " + tag + ".conf </dev/null >" + tag +
                               ".log 2>&1 &\necho $! >" + tag + ".pid\n";
    if (!linux_shell::run(script, error)) return false;
    running_ = true;
    if (!wait_for(true, port_, 20000) || (tls_port_ > 0 && !wait_for(true, tls_port_, 20000))) {
        error = "ngircd did not listen within 20 s: " +
                read_file_bytes(linux_shell::scratch_folder_wide() + std::wstring(tag.begin(), tag.end()) + L".log");
        stop();
        return false;
    }
    return true;
}

void ServerInstance::stop() {
    if (!running_) return;
    running_ = false;
    const std::string tag = "ngircd-" + std::to_string(number_);
    std::string ignored;
    linux_shell::run("kill $(cat " + tag + ".pid) 2>/dev/null; true\n", ignored);
    wait_for(false, port_, 10000);
    if (tls_port_ > 0) wait_for(false, tls_port_, 10000);
}

}  // namespace ngircd_test
