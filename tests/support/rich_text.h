#pragma once
#include <windows.h>

#include <string>

// The whole text of a rich-edit control as the control holds it (paragraphs
// end in a lone CR).
std::wstring rich_edit_text(HWND control);
