#include "links/link_host.h"

#include <ws2tcpip.h>

#include <cstring>

namespace {
constexpr std::uint64_t part_limits[] = {0xFFFFFFFFull, 0xFFFFFFull, 0xFFFFull, 0xFFull};

bool in_block(std::uint32_t address, std::uint32_t block, int prefix) {
    const std::uint32_t mask = prefix == 0 ? 0 : 0xFFFFFFFFu << (32 - prefix);
    return (address & mask) == block;
}

std::uint32_t ipv4_at(const unsigned char* bytes) {
    return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
           bytes[3];
}

// One dot-separated part: decimal, octal after a leading 0, hexadecimal after 0x.
bool parse_part(std::wstring_view digits, std::uint64_t& value) {
    unsigned base = 10;
    if (digits.size() > 1 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
        base = 16;
        digits.remove_prefix(2);
    } else if (digits.size() > 1 && digits[0] == L'0') {
        base = 8;
        digits.remove_prefix(1);
    }
    if (digits.empty() && base != 16) return false;
    value = 0;
    for (wchar_t c : digits) {
        unsigned digit;
        if (c >= L'0' && c <= L'9')
            digit = unsigned(c - L'0');
        else if (c >= L'a' && c <= L'f')
            digit = unsigned(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            digit = unsigned(c - L'A' + 10);
        else
            return false;
        if (digit >= base) return false;
        value = value * base + digit;
        if (value > 0xFFFFFFFFull) return false;
    }
    return true;
}

bool resolves_local(const std::wstring& host, bool& resolved) {
    resolved = false;
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    bool local = false;
    for (const ADDRINFOW* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET && entry->ai_family != AF_INET6) continue;
        resolved = true;
        local = local || is_local_address(entry->ai_addr);
    }
    FreeAddrInfoW(found);
    return local;
}

bool ends_with_label(const std::wstring& host, const wchar_t* label) {
    std::wstring lower;
    for (wchar_t c : host) lower += (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c;
    const size_t length = std::wcslen(label);
    if (lower == label) return true;
    return lower.size() > length && lower.compare(lower.size() - length, length, label) == 0 &&
           lower[lower.size() - length - 1] == L'.';
}
}  // namespace

bool is_local_ipv4(std::uint32_t address) {
    static const struct {
        std::uint32_t block;
        int prefix;
    } local_blocks[] = {
        {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
        {0xAC100000, 12}, {0xC0000000, 24}, {0xC0A80000, 16}, {0xC6120000, 15}, {0xE0000000, 3},
    };
    for (const auto& local : local_blocks)
        if (in_block(address, local.block, local.prefix)) return true;
    return false;
}

bool is_local_ipv6(const unsigned char (&a)[16]) {
    static const unsigned char zeros[12] = {};
    if (std::memcmp(a, zeros, 12) == 0) {
        // :: and ::1, else an IPv4-compatible address.
        const std::uint32_t tail = ipv4_at(a + 12);
        return tail <= 1 || is_local_ipv4(tail);
    }
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    static const unsigned char nat64[12] = {0, 0x64, 0xFF, 0x9B};
    if (std::memcmp(a, mapped, 12) == 0 || std::memcmp(a, nat64, 12) == 0) return is_local_ipv4(ipv4_at(a + 12));
    if (a[0] == 0x20 && a[1] == 0x02) return is_local_ipv4(ipv4_at(a + 2));
    if ((a[0] & 0xFE) == 0xFC || a[0] == 0xFF) return true;
    return a[0] == 0xFE && (a[1] & 0x80) == 0x80;  // fe80::/10 and fec0::/10
}

bool is_local_address(const sockaddr* address) {
    if (!address) return false;
    if (address->sa_family == AF_INET)
        return is_local_ipv4(ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr));
    if (address->sa_family == AF_INET6) {
        unsigned char bytes[16];
        std::memcpy(bytes, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
        return is_local_ipv6(bytes);
    }
    return false;
}

bool parse_ipv4_numbers(std::wstring_view text, std::uint32_t& address) {
    std::uint64_t parts[4];
    size_t count = 0;
    for (;;) {
        const size_t dot = text.find(L'.');
        if (count == 4 || !parse_part(text.substr(0, dot), parts[count])) return false;
        ++count;
        if (dot == std::wstring_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    std::uint64_t value = 0;
    for (size_t i = 0; i + 1 < count; ++i) {
        if (parts[i] > 0xFF) return false;
        value |= parts[i] << (24 - 8 * i);
    }
    if (parts[count - 1] > part_limits[count - 1]) return false;
    address = static_cast<std::uint32_t>(value | parts[count - 1]);
    return true;
}

std::wstring link_host(std::wstring_view link) {
    const size_t start = link.find(L"//");
    if (start == std::wstring_view::npos) return {};
    std::wstring_view authority = link.substr(start + 2);
    authority = authority.substr(0, authority.find_first_of(L"/?#"));
    std::wstring_view host;
    if (!authority.empty() && authority.front() == L'[')
        host = authority.substr(1, authority.find(L']') - 1);
    else
        host = authority.substr(0, authority.find(L':'));
    if (!host.empty() && host.back() == L'.') host.remove_suffix(1);
    return std::wstring(host);
}

HostReach judge_link_host(std::wstring_view link) {
    const std::wstring host = link_host(link);
    if (host.empty()) return HostReach::local;
    if (host.find(L':') != std::wstring::npos) {
        unsigned char bytes[16];
        if (InetPtonW(AF_INET6, host.c_str(), bytes) != 1) return HostReach::local;
        return is_local_ipv6(bytes) ? HostReach::local : HostReach::outside;
    }
    const size_t last_label = host.find_last_of(L'.');
    const wchar_t first = host[last_label == std::wstring::npos ? 0 : last_label + 1];
    if (first >= L'0' && first <= L'9') {
        std::uint32_t address = 0;
        if (!parse_ipv4_numbers(host, address)) return HostReach::local;
        return is_local_ipv4(address) ? HostReach::local : HostReach::outside;
    }
    if (ends_with_label(host, L"localhost")) return HostReach::local;
    bool resolved = false;
    if (resolves_local(host, resolved)) return HostReach::local;
    return resolved ? HostReach::outside : HostReach::unresolved;
}

HostReach judge_address_text(const std::string& address) {
    ADDRINFOA hints{};
    hints.ai_flags = AI_NUMERICHOST;
    ADDRINFOA* found = nullptr;
    if (address.empty() || getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || !found)
        return HostReach::outside;
    const bool local = is_local_address(found->ai_addr);
    freeaddrinfo(found);
    return local ? HostReach::local : HostReach::outside;
}
