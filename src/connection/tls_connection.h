#pragma once
#include <functional>
#include <string>

class ChatClient;
struct ConnectRequest;
class OpenSocket;

// Before the receive thread connects (user-interface thread): when the request
// asks for TLS, notes which key holds the fingerprint the user trusts for this
// server (the receive thread makes the connection a TLS one). Through a proxy
// the certificate check fetches nothing (it would go around the proxy).
bool prepare_tls(ChatClient& client, const ConnectRequest& request, bool through_proxy = false);

// On the receive thread, before anything is sent: the handshake, the
// certificate, and, when the system does not vouch for it, the user's answer
// in the "Untrusted certificate" box. The wait for that answer never holds up
// the window and ends as soon as `still_current` turns false (Disconnect, a
// new Connect, shutdown). `ready` when the connection is plain or may now
// carry our lines; otherwise it must be closed, and after `refused` (the user
// did not trust the certificate) nothing may try it again by itself.
enum class SecureOutcome { ready, failed, refused };
SecureOutcome secure_connection(ChatClient& client, OpenSocket& open, const std::function<bool()>& still_current);
