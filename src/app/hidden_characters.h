#pragma once
#include <string>

// Characters that change how the text around them is drawn without being seen
// themselves: the bidirectional marks, embeddings, overrides and isolates
// that reorder text, and the other format characters that hide or join
// (zero-width spaces and joiners, the soft hyphen, invisible operators, tags).
bool is_format_character(char32_t c);
// Of those, the ones that reorder text (U+200E/F, U+061C, U+202A to U+202E,
// U+2066 to U+2069).
bool is_bidi_control(char32_t c);

// Marks shown instead of what would break or reorder a line of received text.
constexpr wchar_t shown_line_break = 0x21B5;  // "↵"
constexpr wchar_t shown_bidi_control = 0xFFFD;

// Received text may not draw a line of its own nor reorder what follows it:
// every line break a text control honours (CR, LF, VT, FF, NEL, U+2028,
// U+2029) becomes shown_line_break and every bidi control becomes
// shown_bidi_control, in place. Joiners are kept (they build emoji).
void mark_line_breaks_and_bidi(std::wstring& text);
