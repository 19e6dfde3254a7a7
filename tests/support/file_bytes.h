#pragma once
// A whole file's bytes, for tests and benchmarks alike (free of GoogleTest).
#include <cstdio>
#include <string>

// "<missing>" when the file cannot be opened, so that a missing file never
// equals an empty one.
inline std::string read_file_bytes(const std::wstring& path) {
    std::string bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return "<missing>";
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    fclose(file);
    return bytes;
}
