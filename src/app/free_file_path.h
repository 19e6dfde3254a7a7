#pragma once
#include <string>

// A path where a new file may be written without replacing one: `path` itself
// when nothing is there, else the first "stem (N).ext" (N = 2, 3 ...) that
// does not exist; empty when every name up to "stem (9999).ext" is taken.
// Another writer may take the name in the meantime: create the file without
// replacing (CREATE_NEW, a move without MOVEFILE_REPLACE_EXISTING) and ask
// again when that fails because the name is taken.
std::wstring free_file_path(const std::wstring& path);
