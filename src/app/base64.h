#pragma once
#include <string>

// Base64 with padding, as SASL and SCRAM carry their messages.
std::string base64_encode(const std::string& bytes);
// False for text that is not canonical Base64 (wrong length, stray
// characters, padding in the middle).
bool base64_decode(const std::string& text, std::string& bytes);
