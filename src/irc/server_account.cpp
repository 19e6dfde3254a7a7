#include "irc/server_account.h"

namespace {
struct MethodName {
    SaslMethod method;
    const wchar_t* word;
    const wchar_t* mechanism;
};
constexpr MethodName names[] = {
    {SaslMethod::none, L"none", L""},
    {SaslMethod::plain, L"plain", L"PLAIN"},
    {SaslMethod::scram_sha_256, L"scram-sha-256", L"SCRAM-SHA-256"},
    {SaslMethod::external, L"external", L"EXTERNAL"},
};
}  // namespace

const wchar_t* sasl_method_word(SaslMethod method) {
    for (const MethodName& name : names)
        if (name.method == method) return name.word;
    return names[0].word;
}

SaslMethod sasl_method_of(const std::wstring& word) {
    for (const MethodName& name : names)
        if (word == name.word) return name.method;
    return SaslMethod::none;
}

const wchar_t* sasl_mechanism_name(SaslMethod method) {
    for (const MethodName& name : names)
        if (name.method == method) return name.mechanism;
    return names[0].mechanism;
}
