#pragma once
// Whole files as bytes, for tests and benchmarks alike (free of GoogleTest).
// Paths come wide, or narrow in the system's code page as the file-encryption
// functions take them.
#include <cstdio>
#include <string>

namespace file_bytes_detail {
inline std::string read_all(FILE* file) {
    if (!file) return "<missing>";
    std::string bytes;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
    fclose(file);
    return bytes;
}

inline bool write_all(FILE* file, const std::string& bytes) {
    if (!file) return false;
    const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}
}  // namespace file_bytes_detail

// "<missing>" when the file cannot be opened, so that a missing file never
// equals an empty one.
inline std::string read_file_bytes(const std::wstring& path) {
    return file_bytes_detail::read_all(_wfopen(path.c_str(), L"rb"));
}
inline std::string read_file_bytes(const std::string& path) {
    return file_bytes_detail::read_all(fopen(path.c_str(), "rb"));
}

// Replaces the file's content; false when it could not be written whole.
inline bool write_file_bytes(const std::wstring& path, const std::string& bytes) {
    return file_bytes_detail::write_all(_wfopen(path.c_str(), L"wb"), bytes);
}
inline bool write_file_bytes(const std::string& path, const std::string& bytes) {
    return file_bytes_detail::write_all(fopen(path.c_str(), "wb"), bytes);
}
