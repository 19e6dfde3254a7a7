#pragma once
#include <string>

// The texts of the two help dialogs, one per read-only box (1421 to 1424):
// paragraphs separated by a blank line; empty for another box.
std::wstring help_text(int box);
