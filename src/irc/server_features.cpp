#include "irc/server_features.h"

#include "irc/irc_line.h"

namespace {
constexpr size_t longest_isupport_value = 64;

wchar_t fold(wchar_t ch, CaseMapping mapping) {
    if (ch >= L'A' && ch <= L'Z') return ch + (L'a' - L'A');
    if (mapping == CaseMapping::ascii) return ch;
    // The Scandinavian heritage of IRC: []\ are the capitals of {}|, and ~ of ^.
    if (ch == L'[') return L'{';
    if (ch == L']') return L'}';
    if (ch == L'\\') return L'|';
    if (ch == L'~' && mapping == CaseMapping::rfc1459) return L'^';
    return ch;
}

bool read_length(const std::wstring& value, size_t& length) {
    if (value.empty() || value.size() > 4) return false;
    size_t number = 0;
    for (wchar_t ch : value) {
        if (ch < L'0' || ch > L'9') return false;
        number = number * 10 + (ch - L'0');
    }
    if (number == 0) return false;
    length = number;
    return true;
}

// "(qaohv)~&@%+": modes and marks of equal length, none of them blank.
bool read_prefix(const std::wstring& value, std::wstring& modes, std::wstring& marks) {
    const size_t close = value.find(L')');
    if (value.empty() || value[0] != L'(' || close == std::wstring::npos) return false;
    std::wstring new_modes = value.substr(1, close - 1);
    std::wstring new_marks = value.substr(close + 1);
    if (new_modes.size() != new_marks.size()) return false;
    for (wchar_t mark : new_marks)
        if (mark <= L' ' || mark == L':' || mark == L',') return false;
    modes = new_modes;
    marks = new_marks;
    return true;
}

void apply_value(ServerFeatures& features, const std::wstring& key, const std::wstring& value) {
    if (value.size() > longest_isupport_value) return;
    if (key == L"NICKLEN") {
        read_length(value, features.nickname_length);
    } else if (key == L"PREFIX") {
        read_prefix(value, features.prefix_modes, features.prefix_marks);
    } else if (key == L"CHANTYPES") {
        if (!value.empty() && value.find_first_of(L" ,:") == std::wstring::npos) features.channel_types = value;
    } else if (key == L"CASEMAPPING") {
        if (value == L"ascii") features.case_mapping = CaseMapping::ascii;
        if (value == L"rfc1459") features.case_mapping = CaseMapping::rfc1459;
        if (value == L"strict-rfc1459") features.case_mapping = CaseMapping::strict_rfc1459;
    }
}
}  // namespace

bool ServerFeatures::is_channel(const std::wstring& name) const {
    return !name.empty() && channel_types.find(name[0]) != std::wstring::npos;
}

size_t ServerFeatures::marks_length(const std::wstring& entry) const {
    size_t length = 0;
    while (length < entry.size() && prefix_marks.find(entry[length]) != std::wstring::npos) ++length;
    return length;
}

bool ServerFeatures::same_name(const std::wstring& a, const std::wstring& b) const {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (fold(a[i], case_mapping) != fold(b[i], case_mapping)) return false;
    return true;
}

void apply_isupport(ServerFeatures& features, const IrcLine& line) {
    // ":server 005 nick KEY=VALUE KEY ... :are supported by this server"
    for (size_t k = 3; k < line.tokens.size(); ++k) {
        const std::wstring& token = line.tokens[k];
        if (token.empty()) continue;
        if (token[0] == L':') break;
        const size_t equals = token.find(L'=');
        if (equals == std::wstring::npos) continue;
        apply_value(features, token.substr(0, equals), token.substr(equals + 1));
    }
}

size_t granted_nickname_limit(const ServerFeatures& features, size_t usual_limit) {
    if (!features.nickname_length) return usual_limit;
    return features.nickname_length < longest_nickname ? features.nickname_length : longest_nickname;
}
