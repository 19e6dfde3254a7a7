#include <gtest/gtest.h>

#include <string>

#include "crypto/sealed/sealed_file.h"

namespace {
using namespace sealed_file;

Key some_key(uint8_t seed) {
    Key key{};
    for (size_t i = 0; i < key.size(); ++i) key[i] = static_cast<uint8_t>(seed + 7 * i);
    return key;
}

Bytes pattern(size_t size) {
    Bytes out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i * 31 + i / 251);
    return out;
}

// `final`: whether the last chunk carries the final tag, as it must.
Bytes seal_all(const Key& key, const std::string& name, const Bytes& plain, bool final = true) {
    FileSealer sealer(key);
    Bytes out;
    EXPECT_TRUE(sealer.start(name, plain.size(), out));
    size_t at = 0;
    do {
        const size_t step = std::min(chunk_size, plain.size() - at);
        sealer.seal(plain.data() + at, step, final && step < chunk_size, out);
        at += step;
        if (step < chunk_size) break;
    } while (true);
    return out;
}

// Feeds in pieces of an awkward size, as the network would.
struct Opened {
    bool complete = false;
    std::string name;
    Bytes content;
};
Opened open_all(const Key& key, const Bytes& stream, size_t piece = 1000) {
    FileOpener opener(key, stream.size());
    Opened result;
    for (size_t at = 0; at < stream.size(); at += piece)
        if (!opener.feed(stream.data() + at, std::min(piece, stream.size() - at), result.content)) break;
    result.complete = opener.complete() && !opener.refused();
    result.name = opener.name();
    return result;
}
}  // namespace

TEST(SealedFile, WholeFilesOpenWithTheirNameAtEverySize) {
    for (size_t size : {size_t{0}, size_t{1}, chunk_size - 1, chunk_size, chunk_size + 1, 3 * chunk_size + 77}) {
        SCOPED_TRACE(size);
        const Bytes plain = pattern(size);
        const Bytes stream = seal_all(some_key(1), "r\xc3\xa9sum\xc3\xa9 1.pdf", plain);
        EXPECT_EQ(stream.size(), sealed_file_size(size));
        for (size_t piece : {size_t{1000}, sealed_chunk_size + 3}) {
            const Opened opened = open_all(some_key(1), stream, piece);
            EXPECT_TRUE(opened.complete);
            EXPECT_EQ(opened.name, "r\xc3\xa9sum\xc3\xa9 1.pdf");
            EXPECT_TRUE(opened.content == plain);
        }
    }
}

TEST(SealedFile, AlteredCutOrForeignStreamsAreRefused) {
    const Bytes plain = pattern(2 * chunk_size + 500);
    const Bytes good = seal_all(some_key(1), "a.bin", plain);
    const size_t chunks_at = header_size + about_size + overhead;
    struct Case {
        const char* what;
        Bytes stream;
        Key key;
    };
    auto flipped = [&](size_t at) { Bytes s = good; s[at] ^= 0x01; return s; };
    auto cut = [&](size_t length) { return Bytes(good.begin(), good.begin() + static_cast<long>(length)); };
    Bytes no_final = cut(chunks_at + 2 * sealed_chunk_size);
    Bytes swapped = good;  // the two full chunks in the other order
    std::swap_ranges(swapped.begin() + chunks_at, swapped.begin() + chunks_at + sealed_chunk_size,
                     swapped.begin() + chunks_at + sealed_chunk_size);
    const Case cases[] = {
        {"flipped header", flipped(3), some_key(1)},
        {"flipped description", flipped(header_size + 20), some_key(1)},
        {"flipped chunk", flipped(chunks_at + sealed_chunk_size + 9), some_key(1)},
        {"flipped final tag", flipped(good.size() - 1), some_key(1)},
        {"cut before the final chunk", no_final, some_key(1)},
        {"cut inside the final chunk", cut(good.size() - 1), some_key(1)},
        {"chunks reordered", swapped, some_key(1)},
        {"another key", good, some_key(2)},
        {"last chunk not final", seal_all(some_key(1), "a.bin", plain, false), some_key(1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Opened opened = open_all(c.key, c.stream);
        EXPECT_FALSE(opened.complete);
        EXPECT_LT(opened.content.size(), plain.size());
    }
}

TEST(SealedFile, FileKeysDependOnSessionAndId) {
    FileId a{}, b{};
    b[15] = 1;
    EXPECT_NE(file_key(some_key(1), a), file_key(some_key(1), b));
    EXPECT_NE(file_key(some_key(1), a), file_key(some_key(2), a));
    FileId parsed{};
    EXPECT_TRUE(parse_file_id(file_id_text(b), parsed));
    EXPECT_EQ(parsed, b);
    for (const char* bad : {"", "00", "000000000000000000000000000000A1", "00000000000000000000000000000g01"})
        EXPECT_FALSE(parse_file_id(bad, parsed)) << bad;
}
