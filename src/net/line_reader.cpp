#include "net/line_reader.h"

#include <cstring>

#include <emmintrin.h>

#ifdef _MSC_VER
#include <intrin.h>
#endif

namespace {
int lowest_set_bit(unsigned mask) {
#ifdef _MSC_VER
    unsigned long index;
    _BitScanForward(&index, mask);
    return static_cast<int>(index);
#else
    return __builtin_ctz(mask);
#endif
}

// The first CR in [from, end), or end. Sixteen bytes at a time: the C
// library's memchr on Windows goes a byte at a time, and this scan is most of
// the reader's work.
const char* find_cr(const char* from, const char* end) {
    const __m128i cr = _mm_set1_epi8('\r');
    while (end - from >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(block, cr));
        if (mask) return from + lowest_set_bit(static_cast<unsigned>(mask));
        from += 16;
    }
    while (from < end && *from != '\r') ++from;
    return from;
}
}  // namespace

void LineReader::reset() {
    start_ = end_ = 0;
    ended_ = false;
    line_end_ = static_cast<size_t>(-1);
}

bool LineReader::holds_line() const {
    if (line_end_ >= start_ && line_end_ < end_) return true;
    const char* data = buffer_.data();
    for (size_t i = start_; i < end_; ++i) {
        i = find_cr(data + i, data + end_) - data;
        if (i + 1 >= end_) return false;
        if (data[i + 1] == '\n') {
            line_end_ = i;
            return true;
        }
    }
    return false;
}

bool LineReader::fill(ReadFunction read, void* source) {
    if (ended_) return false;
    line_end_ = static_cast<size_t>(-1);
    int got = read(source, buffer_.data(), static_cast<int>(buffer_.size()));
    if (got <= 0) {
        ended_ = true;
        return false;
    }
    start_ = 0;
    end_ = static_cast<size_t>(got);
    return true;
}

void LineReader::read_line(ReadFunction read, void* source, std::string& line) {
    line.clear();
    bool overflowed = false;
    // A CR seen as the last byte of one chunk may end the line when the next
    // chunk starts with LF.
    bool pending_cr = false;
    for (;;) {
        if (start_ == end_ && !fill(read, source)) {
            if (pending_cr && !overflowed && line.size() < line_cap) line += '\r';
            return;
        }
        const char* data = buffer_.data();
        if (pending_cr) {
            pending_cr = false;
            if (data[start_] == '\n') {
                ++start_;
                return;
            }
            if (!overflowed && line.size() < line_cap) line += '\r';
            else overflowed = true;
        }
        // A lone CR stays inside the line and the search goes on after it.
        size_t i = start_;
        bool found = false;
        for (;;) {
            i = find_cr(data + i, data + end_) - data;
            if (i == end_) break;
            if (i + 1 == end_) break;  // CR at the chunk's end: decided by the next chunk
            if (data[i + 1] == '\n') {
                found = true;
                break;
            }
            ++i;
        }
        size_t take = i - start_;
        if (!overflowed) {
            size_t room = line_cap - line.size();
            if (take > room) {
                take = room;
                overflowed = true;
            }
            line.append(data + start_, take);
        }
        if (found) {
            start_ = i + 2;
            return;
        }
        if (i < end_) {  // the lone CR at the end of the chunk
            pending_cr = true;
            start_ = i + 1;
        } else {
            start_ = i;
        }
    }
}

std::string_view LineReader::read_line_view(ReadFunction read, void* source) {
    // Most lines end inside the bytes already read: hand those out in place.
    const char* data = buffer_.data();
    const size_t known = line_end_ >= start_ && line_end_ < end_ ? line_end_ : start_;
    for (size_t i = known; i < end_; ++i) {
        i = find_cr(data + i, data + end_) - data;
        if (i + 1 >= end_) break;
        if (data[i + 1] == '\n') {
            if (i - start_ > line_cap) break;
            std::string_view line(data + start_, i - start_);
            start_ = i + 2;
            return line;
        }
    }
    read_line(read, source, gathered_);
    return gathered_;
}
