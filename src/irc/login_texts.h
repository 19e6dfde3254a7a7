#pragma once
// What the server tab says about capabilities and the account login.

namespace login_text {
constexpr const wchar_t* logged_in_format = L"Logged in to account %s.";
constexpr const wchar_t* logged_out = L"Logged out of the account.";
constexpr const wchar_t* failed_format = L"Account login failed: %s";
constexpr const wchar_t* failed_with_mechanisms_format = L"Account login failed: %s (the server offers %s)";
constexpr const wchar_t* no_sasl = L"the server offers no account login (SASL)";
constexpr const wchar_t* no_mechanism_format = L"the server does not offer %s";
constexpr const wchar_t* unencrypted =
    L"the connection is not encrypted (TLS), and this server is not allowed to receive the login over it";
constexpr const wchar_t* no_certificate = L"EXTERNAL needs a TLS connection with a client certificate";
constexpr const wchar_t* certificate_missing_format =
    L"No certificate \"%s\" with its private key in your Windows certificate store (Personal): none is presented";
constexpr const wchar_t* going_on = L"Going on without the account.";
constexpr const wchar_t* ending = L"The connection is ended: this server is set to be used only with the account.";
constexpr const wchar_t* away_format = L"%s is away: %s";
constexpr const wchar_t* back_format = L"%s is back.";
constexpr const wchar_t* account_format = L"%s is logged in as %s.";
constexpr const wchar_t* no_account_format = L"%s logged out of their account.";
}  // namespace login_text
