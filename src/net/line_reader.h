#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits a byte stream into IRC lines: CR LF ends a line, a lone CR or LF stays
// inside it. Reads go through a buffer rather than one recv per byte. A line is
// capped so that a peer that never sends CR LF cannot exhaust memory; what comes
// after the cap, up to the next CR LF, is dropped rather than handed on as if it
// were a line of its own (it could otherwise read as a forged command).
class LineReader {
public:
    static constexpr size_t line_cap = 65536;
    static constexpr size_t chunk_size = 65536;

    // Reads up to `size` bytes into `data`; returns the count, 0 at the end of
    // the stream, negative on error (which ends the stream too).
    using ReadFunction = int (*)(void* source, char* data, int size);

    void reset();

    // Next line without its CR LF, into `line` (whose storage is reused, so a
    // steady stream of lines allocates nothing). At the end of the stream a
    // partial line is returned as it is; after that every call gives an empty
    // line at once.
    void read_line(ReadFunction read, void* source, std::string& line);
    std::string read_line(ReadFunction read, void* source) {
        std::string line;
        read_line(read, source, line);
        return line;
    }

    // The same line without a copy: a view into the reader's buffer, valid
    // until the next call. A line that spans two reads is gathered first.
    std::string_view read_line_view(ReadFunction read, void* source);

    // Whether a whole line waits in the buffer: if not, the next line needs a
    // read from the stream, which may wait (a part of a line may be held).
    bool holds_line() const;

private:
    bool fill(ReadFunction read, void* source);

    std::vector<char> buffer_ = std::vector<char>(chunk_size);
    size_t start_ = 0, end_ = 0;
    // Where holds_line found the next line's CR LF, so that reading the line
    // does not search again; stale once start_ has passed it or a read refilled.
    mutable size_t line_end_ = static_cast<size_t>(-1);
    bool ended_ = false;
    std::string gathered_;
};
