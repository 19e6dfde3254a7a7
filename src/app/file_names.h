#pragma once
#include <string>
#include <string_view>

// File names that arrive from the network (a peer's transfer, a link) are
// hostile: these decide what may be written as one plain file in one folder.

// True when `name` names exactly one file in whatever folder it is joined to:
// no folder parts or drive, no stream (':'), no characters Windows refuses,
// no control characters, no format characters that reorder or hide letters
// (is_format_character) nor line separators, no device name (CON, NUL, COM1,
// COM¹, "lpt1.txt" ...),
// no trailing dot or space, not empty.
bool is_plain_file_name(std::wstring_view name);

// The name with every format character and line separator made '_' (a pair
// of surrogates gives one '_'), the rest as it is.
std::wstring without_format_characters(std::wstring_view name);

// The nearest plain name: characters that are not allowed become '_',
// trailing dots and spaces go, a device name gets a leading '_'. Empty when
// nothing usable is left. Always true for is_plain_file_name when not empty.
std::wstring clean_file_name(std::wstring_view name);

// Where to save a file that must not replace another: `path` itself when
// nothing is there, else the first free one of "stem (2).ext", "stem (3).ext"
// ... "stem (9999).ext", where ".ext" is what follows the name's last dot (a
// name whose only dot leads it has no extension). Empty when none is free.
// The name is looked at, not reserved: write with CREATE_NEW, or move without
// MOVEFILE_REPLACE_EXISTING, and look again when another writer came first.
std::wstring free_file_path(const std::wstring& path);

// What follows the name's last dot, in lower case ("gif" for "Cat.GIF");
// empty when there is no dot or only a leading one.
std::wstring file_extension(std::wstring_view name);

// True when Windows runs, installs or follows a file of this name's type
// when it is opened (programs, scripts, installers, shortcuts, control panel
// items, registry files ...): such a file must not arrive unasked.
bool is_runnable_file_type(std::wstring_view name);
