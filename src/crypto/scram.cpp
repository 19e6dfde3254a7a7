#include "crypto/scram.h"

#include <cryptopp/hmac.h>
#include <cryptopp/osrng.h>
#include <cryptopp/pwdbased.h>
#include <cryptopp/sha.h>

#include "app/base64.h"

namespace {
// Servers use 4096 and more; a hostile one must not keep the receive thread
// computing for minutes, nor get away with a trivial count.
constexpr unsigned fewest_iterations = 1;
constexpr unsigned most_iterations = 1000000;
constexpr size_t nonce_bytes = 18;

using Hmac = CryptoPP::HMAC<CryptoPP::SHA256>;

std::string hmac(const std::string& key, const std::string& data) {
    Hmac mac(reinterpret_cast<const CryptoPP::byte*>(key.data()), key.size());
    std::string out(Hmac::DIGESTSIZE, '\0');
    mac.CalculateDigest(reinterpret_cast<CryptoPP::byte*>(&out[0]), reinterpret_cast<const CryptoPP::byte*>(data.data()),
                        data.size());
    return out;
}

std::string sha256(const std::string& data) {
    std::string out(CryptoPP::SHA256::DIGESTSIZE, '\0');
    CryptoPP::SHA256().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(&out[0]),
                                       reinterpret_cast<const CryptoPP::byte*>(data.data()), data.size());
    return out;
}

std::string salted_password(const std::string& password, const std::string& salt, unsigned iterations) {
    std::string out(CryptoPP::SHA256::DIGESTSIZE, '\0');
    CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA256>().DeriveKey(
        reinterpret_cast<CryptoPP::byte*>(&out[0]), out.size(), 0,
        reinterpret_cast<const CryptoPP::byte*>(password.data()), password.size(),
        reinterpret_cast<const CryptoPP::byte*>(salt.data()), salt.size(), iterations);
    return out;
}

std::string exclusive_or(std::string a, const std::string& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) a[i] = static_cast<char>(a[i] ^ b[i]);
    return a;
}

// "=" and "," are written =3D and =2C in a user name.
std::string escaped_name(const std::string& name) {
    std::string out;
    for (char ch : name) {
        if (ch == '=') out += "=3D";
        else if (ch == ',') out += "=2C";
        else out += ch;
    }
    return out;
}

std::string fresh_nonce() {
    CryptoPP::AutoSeededRandomPool random;
    std::string bytes(nonce_bytes, '\0');
    random.GenerateBlock(reinterpret_cast<CryptoPP::byte*>(&bytes[0]), bytes.size());
    return base64_encode(bytes);
}

// The value of attribute `name` ("r=...") in a comma-separated message.
bool attribute(const std::string& message, char name, std::string& value) {
    size_t start = 0;
    while (start <= message.size()) {
        size_t end = message.find(',', start);
        if (end == std::string::npos) end = message.size();
        if (end - start >= 2 && message[start] == name && message[start + 1] == '=') {
            value = message.substr(start + 2, end - start - 2);
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool read_count(const std::string& text, unsigned& count) {
    if (text.empty() || text.size() > 9) return false;
    count = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        count = count * 10 + static_cast<unsigned>(ch - '0');
    }
    return true;
}
}  // namespace

ScramClient::ScramClient(const std::string& user, const std::string& password, const std::string& nonce)
    : user_(user), password_(password), nonce_(nonce.empty() ? fresh_nonce() : nonce) {}

std::string ScramClient::client_first() const { return "n,,n=" + escaped_name(user_) + ",r=" + nonce_; }

bool ScramClient::answer(const std::string& server_first, std::string& client_final, std::string& error) {
    std::string nonce, salt_text, count_text, salt;
    unsigned iterations = 0;
    if (attribute(server_first, 'e', error)) return false;
    if (!attribute(server_first, 'r', nonce) || !attribute(server_first, 's', salt_text) ||
        !attribute(server_first, 'i', count_text) || !base64_decode(salt_text, salt) ||
        !read_count(count_text, iterations)) {
        error = "malformed challenge";
        return false;
    }
    if (nonce.size() <= nonce_.size() || nonce.compare(0, nonce_.size(), nonce_) != 0) {
        error = "the server's nonce does not continue ours";
        return false;
    }
    if (iterations < fewest_iterations || iterations > most_iterations) {
        error = "unacceptable iteration count";
        return false;
    }
    const std::string salted = salted_password(password_, salt, iterations);
    const std::string client_key = hmac(salted, "Client Key");
    const std::string without_proof = "c=biws,r=" + nonce;
    auth_message_ = client_first().substr(3) + "," + server_first + "," + without_proof;
    const std::string signature = hmac(sha256(client_key), auth_message_);
    server_signature_ = hmac(hmac(salted, "Server Key"), auth_message_);
    client_final = without_proof + ",p=" + base64_encode(exclusive_or(client_key, signature));
    return true;
}

bool ScramClient::verify(const std::string& server_final, std::string& error) const {
    std::string verifier, decoded;
    if (attribute(server_final, 'e', error)) return false;
    if (server_signature_.empty() || !attribute(server_final, 'v', verifier) || !base64_decode(verifier, decoded) ||
        decoded != server_signature_) {
        error = "the server could not prove that it knows the password";
        return false;
    }
    return true;
}
