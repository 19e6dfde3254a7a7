#pragma once
#include <string>
#include <vector>

class ChatClient;

// The per-server cache of the channel directory: "Settings\<host>.ini", one
// section [channels] with channel_N, users_N and description_N for the rows
// N = 0, 1, ... in listing order. It stays a profile file that
// GetPrivateProfileStringW reads, but it is written and read in one pass: one
// profile call per key rewrites or rescans the whole file each time, which
// for thousands of rows takes seconds.

struct CachedRow {
    std::wstring channel, users, description;
};

// The cache file of `server` in the Settings folder; empty when there is no
// usable name (nothing of the host name may lead out of the folder, and no
// host may stand for Settings.ini itself) or no usable program folder.
std::wstring directory_cache_path(const ChatClient& client, const std::wstring& server);

// Replaces the file with these rows (UTF-16 with its byte order mark, which
// the profile functions read as such). False when it could not be written.
bool write_directory_cache(const std::wstring& path, const std::vector<CachedRow>& rows);

// The rows from 0 up to the first missing or empty channel, at most `limit`;
// empty when the file is missing. Keys and the section name are matched
// without regard to case and values unquoted as the profile functions do.
std::vector<CachedRow> read_directory_cache(const std::wstring& path, size_t limit);
