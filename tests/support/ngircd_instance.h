#pragma once
// A real ngircd on 127.0.0.1 that a test starts, stops and restarts itself,
// optionally listening with TLS under a self-signed certificate.
#include <string>

namespace ngircd_test {

struct ServerOptions {
    int port = 0;        // plain port; 0 = a free one chosen at start
    int tls_port = -1;   // -1 = no TLS listener; 0 = a free one
    // Name of a self-signed certificate (CN=localhost), made once per name and
    // kept for the test process: two names give two different certificates.
    std::string certificate = "a";
    std::string listen = "127.0.0.1";  // "::1": IPv6 loopback only
};

class ServerInstance {
public:
    ServerInstance() = default;
    ServerInstance(const ServerInstance&) = delete;
    ServerInstance& operator=(const ServerInstance&) = delete;
    ~ServerInstance() { stop(); }

    // False, with `error` saying why, when the server does not listen within 20 s.
    bool start(const ServerOptions& options, std::string& error);
    // Kills it and waits until its ports are closed. Starting again with the
    // ports it had gives the same ports.
    void stop();

    int port() const { return port_; }
    int tls_port() const { return tls_port_; }
    // SHA-256 of the certificate in use as "AB:CD:...", upper-case hex, as
    // openssl computes it; empty without TLS.
    std::string fingerprint() const { return fingerprint_; }

private:
    int number_ = 0;
    int port_ = 0;
    int tls_port_ = -1;
    bool running_ = false;
    std::string fingerprint_;
};

// Whether something accepts connections on 127.0.0.1:port or [::1]:port.
bool listening(int port);

}  // namespace ngircd_test
