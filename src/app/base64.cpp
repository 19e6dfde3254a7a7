#include "app/base64.h"

namespace {
constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int value_of(char ch) {
    if (ch >= 'A' && ch <= 'Z') return ch - 'A';
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9') return ch - '0' + 52;
    if (ch == '+') return 62;
    if (ch == '/') return 63;
    return -1;
}
}  // namespace

std::string base64_encode(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t at = 0; at < bytes.size(); at += 3) {
        const size_t left = bytes.size() - at;
        unsigned group = static_cast<unsigned char>(bytes[at]) << 16;
        if (left > 1) group |= static_cast<unsigned char>(bytes[at + 1]) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[at + 2]);
        text += alphabet[(group >> 18) & 63];
        text += alphabet[(group >> 12) & 63];
        text += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        text += left > 2 ? alphabet[group & 63] : '=';
    }
    return text;
}

bool base64_decode(const std::string& text, std::string& bytes) {
    bytes.clear();
    if (text.size() % 4) return false;
    for (size_t at = 0; at < text.size(); at += 4) {
        const bool last = at + 4 == text.size();
        const int padding = last ? (text[at + 3] == '=') + (text[at + 2] == '=') : 0;
        if (padding == 1 && text[at + 2] == '=') return false;
        unsigned group = 0;
        for (int i = 0; i < 4; ++i) {
            const int value = i >= 4 - padding ? 0 : value_of(text[at + i]);
            if (value < 0) return false;
            group = group << 6 | static_cast<unsigned>(value);
        }
        bytes += static_cast<char>(group >> 16);
        if (padding < 2) bytes += static_cast<char>(group >> 8 & 255);
        if (padding < 1) bytes += static_cast<char>(group & 255);
    }
    return true;
}
