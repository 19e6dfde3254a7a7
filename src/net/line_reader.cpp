#include "net/line_reader.h"

#include <cstring>

void LineReader::reset() {
    start_ = end_ = 0;
    ended_ = false;
}

bool LineReader::fill(ReadFunction read, void* source) {
    if (ended_) return false;
    int got = read(source, buffer_.data(), static_cast<int>(buffer_.size()));
    if (got <= 0) {
        ended_ = true;
        return false;
    }
    start_ = 0;
    end_ = static_cast<size_t>(got);
    return true;
}

std::string LineReader::read_line(ReadFunction read, void* source) {
    std::string line;
    bool overflowed = false;
    // A CR seen as the last byte of one chunk may end the line when the next
    // chunk starts with LF.
    bool pending_cr = false;
    for (;;) {
        if (start_ == end_ && !fill(read, source)) {
            if (pending_cr && !overflowed && line.size() < line_cap) line += '\r';
            return line;
        }
        const char* data = buffer_.data();
        if (pending_cr) {
            pending_cr = false;
            if (data[start_] == '\n') {
                ++start_;
                return line;
            }
            if (!overflowed && line.size() < line_cap) line += '\r';
            else overflowed = true;
        }
        size_t i = start_;
        bool found = false;
        for (; i < end_; ++i) {
            if (data[i] == '\r') {
                if (i + 1 < end_) {
                    if (data[i + 1] == '\n') {
                        found = true;
                        break;
                    }
                } else {
                    break;  // CR at the chunk's end: decided by the next chunk
                }
            }
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
            return line;
        }
        if (i < end_) {  // the lone CR at the end of the chunk
            pending_cr = true;
            start_ = i + 1;
        } else {
            start_ = i;
        }
    }
}
