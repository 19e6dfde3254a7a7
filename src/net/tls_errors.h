#pragma once
// Why a TLS handshake failed, as the server tab shows it after "Secure
// connection failed: ".

namespace tls_error {

constexpr const wchar_t* no_credentials = L"No TLS credentials";
constexpr const wchar_t* failed = L"TLS handshake failed";
constexpr const wchar_t* closed = L"TLS handshake: the connection closed";
constexpr const wchar_t* no_answer = L"TLS handshake: no answer from the server";
constexpr const wchar_t* too_much = L"TLS handshake: the server sent too much";
constexpr const wchar_t* not_tls = L"the server answered without TLS (is this its TLS port?)";
constexpr const wchar_t* no_sizes = L"TLS stream sizes unknown";

}  // namespace tls_error
