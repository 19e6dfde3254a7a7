#include "irc/batches.h"

#include <utility>
#include <vector>

#include "app/chat_client.h"
#include "irc/irc_line.h"
#include "irc/playback.h"

namespace {
// A server that opens batches and never ends them must not fill the memory:
// beyond these, lines are handled as they come.
constexpr size_t most_open_batches = 16;
constexpr size_t most_held_lines = 20000;
constexpr wchar_t batch_tag[] = L"batch";
constexpr wchar_t batch_word[] = L"BATCH";

size_t held_lines(const ReceiveState& state) {
    size_t count = 0;
    for (const auto& batch : state.batches) count += batch.second.size();
    return count;
}
}  // namespace

bool hold_for_batch(ChatClient& client, const IrcLine& line) {
    const std::wstring* name = find_tag(line.tags, batch_tag);
    if (!name) return false;
    ReceiveState& state = client.connection.receive;
    auto batch = state.batches.find(*name);
    if (batch == state.batches.end() || held_lines(state) >= most_held_lines) return false;
    batch->second.push_back(line);
    // A batch inside this one opens now: its lines, tagged with it, come
    // before this one ends.
    const std::wstring& reference = line.token(2);
    if (begins_with(line.token(1), batch_word) && reference.size() > 1 && reference[0] == L'+' &&
        state.batches.size() < most_open_batches)
        state.batches.emplace(reference.substr(1), std::vector<IrcLine>());
    return true;
}

void handle_batch(ChatClient& client, const IrcLine& line) {
    const std::wstring& reference = line.token(2);
    if (reference.size() < 2) return;
    const std::wstring name = reference.substr(1);
    ReceiveState& state = client.connection.receive;
    if (reference[0] == L'+') {
        // emplace: a batch opened while its line was held keeps what it gathered.
        if (state.batches.size() < most_open_batches) {
            state.batches.emplace(name, std::vector<IrcLine>());
            if (is_playback_batch(line.token(3))) state.playback_batches.insert(name);
        }
        return;
    }
    if (reference[0] != L'-') return;
    auto batch = state.batches.find(name);
    if (batch == state.batches.end()) return;
    // Taken out first: a line of it that opens an inner batch finds it closed.
    std::vector<IrcLine> lines = std::move(batch->second);
    state.batches.erase(batch);
    const bool playback = state.playback_batches.erase(name) > 0;
    for (const IrcLine& held : lines)
        if (!playback || !played_back_before(state, held)) dispatch_parsed_line(client, held);
}
