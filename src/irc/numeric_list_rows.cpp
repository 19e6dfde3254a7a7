// The server's channel list (322 rows, 323 end), kept for the channel directory.

#include <climits>
#include <mutex>
#include <string>
#include <vector>

#include "app/chat_client.h"
#include "app/text.h"
#include "app/wire_text.h"
#include "dialogs/directory_listing.h"
#include "chat/ui_thread.h"
#include "irc/directory_rows.h"
#include "irc/irc_line.h"
#include "irc/numeric_handlers.h"
#include "net/session.h"

namespace {
constexpr char field_separator = '\0';

// The decimal value of the leading digits; large counts saturate.
long long user_count(const wchar_t* text) {
    long long value = 0;
    for (const wchar_t* p = text; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > 1000000000LL) return value;
    }
    return value;
}
}  // namespace

std::string pack_directory_row(const DirectoryRow& row) {
    std::string packed = row.channel;
    packed += field_separator;
    packed += row.users;
    packed += field_separator;
    packed += row.topic;
    return packed;
}

DirectoryRow unpack_directory_row(const std::string& packed) {
    DirectoryRow row;
    const size_t first = packed.find(field_separator);
    row.channel = packed.substr(0, first);
    if (first == std::string::npos) return row;
    const size_t second = packed.find(field_separator, first + 1);
    row.users = packed.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) row.topic = packed.substr(second + 1);
    return row;
}

void add_directory_row(const wchar_t* channel, const wchar_t* topic, ChatClient& client, const wchar_t* users) {
    if (!channel || !*channel) return;
    if (user_count(users ? users : L"") <= 1) return;
    DirectoryRow row{utf8_text(channel), utf8_text(users), utf8_text(topic)};
    client.channel_directory.push_back(pack_directory_row(row));
}

namespace {
// The rows on their way to the user-interface thread, which owns the
// directory (its dialog reads it there). A listing can be far longer than the
// directory keeps: the rows gather here, in order with the listing's ends,
// and one task on its way takes all that has gathered, so that a flood of
// rows leaves a bounded batch rather than a task per row.
struct RowIntake {
    struct Entry {
        std::wstring channel, users, topic;
        bool listing_end = false;
    };
    std::mutex lock;
    std::vector<Entry> entries;
    size_t rows = 0;     // rows among `entries`
    int dropped = 0;     // rows that found the batch full
    bool task_on_its_way = false;
    unsigned session = 0;  // the connection whose rows these are
};

// A batch holds the rows one listing may keep and the one that ends it; more
// would be dropped on arrival anyway.
constexpr size_t intake_row_cap = directory_row_limit + 1;

RowIntake& intake() {
    static RowIntake shared;
    return shared;
}

void count_row(ChatClient& client, const RowIntake::Entry* row) {
    if (client.directory_row_count < INT_MAX) ++client.directory_row_count;
    const int count = client.directory_row_count;
    if (row && count <= directory_row_limit)
        add_directory_row(row->channel.c_str(), row->topic.c_str(), client, row->users.c_str());
    // Row 5001 ends the listing as 323 would; the rows after it are dropped.
    else if (count == directory_row_limit + 1)
        end_directory_listing(client);
}

// User-interface thread: what has gathered, in order.
void take_rows(ChatClient& client, unsigned session) {
    std::vector<RowIntake::Entry> entries;
    int dropped = 0;
    {
        RowIntake& in = intake();
        std::lock_guard<std::mutex> guard(in.lock);
        // A newer connection's thread has begun its own batch, and its own task.
        if (in.session != session) return;
        in.task_on_its_way = false;
        entries.swap(in.entries);
        dropped = in.dropped;
        in.rows = 0;
        in.dropped = 0;
    }
    // Never run for a replaced connection: its listing has no place in the next.
    if (session_is_replaced(session)) return;
    for (const RowIntake::Entry& entry : entries) {
        if (entry.listing_end)
            end_directory_listing(client);
        else
            count_row(client, &entry);
    }
    for (int row = 0; row < dropped; ++row) count_row(client, nullptr);
}

void hand_over(ChatClient& client, RowIntake::Entry entry) {
    const unsigned session = thread_session();
    {
        RowIntake& in = intake();
        std::lock_guard<std::mutex> guard(in.lock);
        if (in.session != session) {
            // The old connection's batch never runs (its task is dropped or
            // finds this one): start afresh.
            in.entries.clear();
            in.rows = 0;
            in.dropped = 0;
            in.task_on_its_way = false;
            in.session = session;
        }
        if (entry.listing_end) {
            // Ends in a row are one end.
            if (!in.entries.empty() && in.entries.back().listing_end) return;
            in.entries.push_back(std::move(entry));
        } else if (in.rows >= intake_row_cap) {
            if (in.dropped < INT_MAX) ++in.dropped;
        } else {
            in.entries.push_back(std::move(entry));
            ++in.rows;
        }
        if (in.task_on_its_way) return;
        in.task_on_its_way = true;
    }
    // `always`: the one task on its way must come, or no batch would follow;
    // it checks the session itself.
    post_ui_task(client, [&client, session] { take_rows(client, session); }, TaskKind::always);
}
}  // namespace

void handle_list_row(ChatClient& client, const IrcLine& line) {
    hand_over(client, {line.token(3), line.token(4), line.text_after_token(5), false});
}

void handle_list_end(ChatClient& client, const IrcLine&) {
    hand_over(client, {{}, {}, {}, true});
}
