#pragma once

// Status notices of link downloads (title "Download File") and of links
// opened from messages.
namespace link_text {
constexpr char download_title[] = "Download File";
constexpr wchar_t received_format[] = L"File '%s' received";
constexpr wchar_t no_connection[] = L"Error: Please check your Internet connection and firewall";
constexpr wchar_t server_error[] = L"Server Error";
constexpr wchar_t download_failure[] = L"Error: Download failure";
constexpr wchar_t other_error_format[] = L"Error code: %s";  // eight upper-case hexadecimal digits
constexpr wchar_t dropped[] = L"Too many downloads at once: link not downloaded";
constexpr wchar_t took_too_long[] = L"Error: Download took too long";
constexpr wchar_t too_slow[] = L"Error: Download too slow";
constexpr wchar_t over_budget_format[] = L"Error: Downloads are limited to %s an hour";  // an amount of data
constexpr wchar_t too_many_format[] = L"Error: Downloads are limited to %d files an hour";
constexpr wchar_t refused_type_format[] = L"File '%s' not downloaded: links may not bring files of this type";
constexpr wchar_t local_host[] = L"Link not downloaded: it leads into your own network";

constexpr char open_title[] = "Open Link";
constexpr wchar_t not_opened_format[] = L"Too many links at once: %d links not opened";
}  // namespace link_text
