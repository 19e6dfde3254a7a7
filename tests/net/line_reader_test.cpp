#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "net/line_reader.h"

namespace {

// Hands out a fixed stream in reads of varying sizes, as a socket does.
struct ChoppedStream {
    std::string bytes;
    std::vector<int> sizes;
    size_t at = 0, read_count = 0;

    static int read(void* self, char* data, int capacity) {
        auto* s = static_cast<ChoppedStream*>(self);
        int size = s->sizes[s->read_count++ % s->sizes.size()];
        size_t n = std::min<size_t>({static_cast<size_t>(size), static_cast<size_t>(capacity), s->bytes.size() - s->at});
        std::copy_n(s->bytes.data() + s->at, n, data);
        s->at += n;
        return static_cast<int>(n);
    }
};

// The plain definition: split at every CR LF; a trailing partial line is the last.
std::vector<std::string> reference_lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = bytes.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(bytes.substr(from, at - from));
    if (from < bytes.size()) lines.push_back(bytes.substr(from));
    return lines;
}

// Lines of every length around the sixteen-byte scan and with lone CRs and
// LFs in every position, read in pieces that cut CR LF pairs and lines apart;
// both the copying and the in-place reads must give the plain split.
TEST(LineReader, AnyChoppingGivesThePlainSplit) {
    std::mt19937 random(7);
    std::string bytes;
    for (int i = 0; i < 3000; ++i) {
        std::string line(random() % 70, 'a' + i % 26);
        for (char& c : line)
            if (random() % 23 == 0) c = (random() % 2) ? '\r' : '\n';
        if (!line.empty() && line.back() == '\r') line.back() = 'x';  // CR then CR LF would end it early
        bytes += line + "\r\n";
    }
    bytes += "tail without end";
    const std::vector<std::string> expected = reference_lines(bytes);

    for (std::vector<int> sizes : {std::vector<int>{1}, {2, 3}, {15, 16, 17}, {31, 1, 64}, {4096}, {65536}}) {
        for (bool in_place : {false, true}) {
            SCOPED_TRACE(testing::Message() << "first read size " << sizes[0] << (in_place ? ", in place" : ""));
            ChoppedStream stream{bytes, sizes};
            LineReader reader;
            std::string copy;
            for (const std::string& want : expected) {
                std::string got;
                if (in_place) {
                    got = std::string(reader.read_line_view(ChoppedStream::read, &stream));
                } else {
                    reader.read_line(ChoppedStream::read, &stream, copy);
                    got = copy;
                }
                ASSERT_EQ(got, want);
            }
            EXPECT_EQ(reader.read_line(ChoppedStream::read, &stream), "");
        }
    }
}

}  // namespace
