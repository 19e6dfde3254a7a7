#pragma once
// The lines of a hostile or broken IRC server, made from a seed: garbage
// bytes, malformed lines, private messages from ever new nicknames, mentions,
// join refusals, the same NAMES reply over and over, JOIN/PART, TOPIC/MODE and
// NOTICE lines. The same kind of mix as tools/hostile_server.py sends.
#include <cstddef>
#include <string>
#include <vector>

namespace e2e {

struct HostileMix {
    std::string bytes;         // every line with its CR LF
    std::vector<size_t> ends;  // the offset just past each line
};

// `nickname` is the client's, `channel` one it was made to join.
HostileMix hostile_mix(unsigned seed, size_t count, const std::string& nickname, const std::string& channel);

}  // namespace e2e
