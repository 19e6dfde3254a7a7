#pragma once
#include <windows.h>

#include <cstdint>

// Formatting that a sender put into a piece of text with IRC's control codes,
// carried beside the text (the codes themselves are taken out): from `start`
// to the next run's start, or the end of the piece. Text before the first run
// has the piece's own format.
struct FormatRun {
    enum Effect : std::uint8_t {
        bold = 1,
        italic = 2,
        underline = 4,
        reverse = 8,
        monospace = 16,
        strikethrough = 32,
    };
    std::uint32_t start = 0;
    std::uint8_t effects = 0;
    // Indexes into the IRC colour table; -1: the piece's own colour.
    std::int8_t colour = -1;
    std::int8_t background = -1;
};
