#pragma once
#include <string>

// The client side of a SCRAM-SHA-256 login without channel binding: the
// password never leaves the machine, and the server proves that it knows it
// too. Messages are the UTF-8 texts before Base64.
class ScramClient {
public:
    // `nonce`: printable random text without ','; empty = a fresh one.
    ScramClient(const std::string& user, const std::string& password, const std::string& nonce = {});

    std::string client_first() const;
    // The answer to the server's first message, or false with `error` when
    // that message is malformed or does not continue our nonce.
    bool answer(const std::string& server_first, std::string& client_final, std::string& error);
    bool answered() const { return !server_signature_.empty(); }
    // Whether the server's last message proves that it knows the password.
    bool verify(const std::string& server_final, std::string& error) const;

private:
    std::string user_, password_, nonce_;
    std::string auth_message_;
    std::string server_signature_;
};
