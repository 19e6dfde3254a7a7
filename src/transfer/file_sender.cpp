#include "transfer/file_sender.h"

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#include "app/text.h"
#include "crypto/key_cache.h"
#include "crypto/key_derivation.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_socket.h"
#include "transfer/transfer_status.h"
#include "transfer/transfer_texts.h"

namespace {

constexpr size_t send_buffer_size = 64 * 1024;

struct Sender {
    std::thread thread;
    SOCKET socket = INVALID_SOCKET;  // under Senders::lock
    bool done = false;               // under Senders::lock
};

// Never destroyed, like the receiver: see file_receiver.cpp.
struct Senders {
    std::mutex lock;
    std::list<Sender> running;
    std::atomic<bool> stopping{false};
    std::atomic<int> active{0};
    std::atomic<unsigned short> port{transfer::default_port};
    std::atomic<unsigned> window_chunks{transfer::send_window / transfer::chunk_size};
};

Senders& senders() {
    static Senders* instance = new Senders;
    return *instance;
}

// Counts the units sent and the 2-byte answers as they arrive; their content
// is not looked at. A peer that answers more than it was sent only answers
// units ahead of time, as it would for a sender that reads one answer per unit.
class AnswerCounter {
public:
    explicit AnswerCounter(TransferLink& link) : link_(link) {}
    void sent(unsigned long long units) { sent_ += units; }
    unsigned long long unanswered() const { return sent_ > answers() ? sent_ - answers() : 0; }
    // Waits until no more than `left` units are unanswered.
    bool wait_until_unanswered(unsigned long long left) {
        while (unanswered() > left)
            if (!read_some()) return false;
        return true;
    }
    // Takes whatever answers are already there, without waiting.
    bool take_arrived() {
        while (link_.waiting_bytes() > 0)
            if (!read_some()) return false;
        return true;
    }

private:
    unsigned long long answers() const { return bytes_ / transfer::answer_length; }
    bool read_some() {
        char buffer[512];
        const size_t got = link_.receive_some(buffer, sizeof buffer);
        bytes_ += got;
        return got > 0;
    }
    TransferLink& link_;
    unsigned long long sent_ = 0, bytes_ = 0;
};

// A header unit goes alone and its answer comes before the next unit: a
// receiver reads each with a single receive.
bool send_unit(TransferLink& link, AnswerCounter& answers, const std::string& unit) {
    if (!link.send_all(unit.data(), unit.size())) return false;
    answers.sent(1);
    return answers.wait_until_unanswered(0);
}

enum class ContentResult { sent, connection_lost, read_failed };

// The encrypted content in 1,024-byte chunks, many in flight. The byte stream
// is the same as one chunk per round trip; only the waiting differs.
template <typename Reader>
ContentResult send_content(TransferLink& link, AnswerCounter& answers, Reader& reader, const std::wstring& name) {
    const unsigned long long size = reader.encrypted_size();
    const unsigned long long window = std::max(1u, senders().window_chunks.load());
    std::vector<unsigned char> buffer(send_buffer_size);
    TransferProgress progress(transfer_text::sending, name, size);
    unsigned long long sent = 0;
    while (sent < size) {
        if (answers.unanswered() >= window) {
            if (!answers.wait_until_unanswered(window - 1)) return ContentResult::connection_lost;
            continue;
        }
        const size_t room = static_cast<size_t>(
            std::min<unsigned long long>((window - answers.unanswered()) * transfer::chunk_size, buffer.size()));
        size_t produced = 0;
        if (!reader.read(buffer.data(), room, produced) || produced == 0 || sent + produced > size)
            return ContentResult::read_failed;
        if (!link.send_all(reinterpret_cast<const char*>(buffer.data()), produced))
            return ContentResult::connection_lost;
        const unsigned long long chunks_before = transfer::chunks_done(sent, size);
        sent += produced;
        answers.sent(transfer::chunks_done(sent, size) - chunks_before);
        if (!answers.take_arrived()) return ContentResult::connection_lost;
        const unsigned long long in_flight = answers.unanswered() * transfer::chunk_size;
        progress.update(sent > in_flight ? sent - in_flight : 0);
    }
    if (!answers.wait_until_unanswered(0)) return ContentResult::connection_lost;
    progress.update(size);
    return ContentResult::sent;
}

// Connects without blocking for good, so that the end of the program need not
// wait out an unreachable address.
bool connect_to(SOCKET socket, const std::string& address, unsigned short port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = inet_addr(address.c_str());
    peer.sin_port = htons(port);
    if (peer.sin_addr.s_addr == INADDR_NONE || peer.sin_addr.s_addr == INADDR_ANY) return false;
    u_long non_blocking = 1;
    ioctlsocket(socket, FIONBIO, &non_blocking);
    bool connected = connect(socket, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        constexpr int step_ms = 100;
        for (int waited = 0; waited < transfer::idle_timeout_ms && !senders().stopping; waited += step_ms) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(socket, &writable);
            FD_SET(socket, &failed);
            timeval step{0, step_ms * 1000};
            const int ready = select(0, nullptr, &writable, &failed, &step);
            if (ready < 0 || FD_ISSET(socket, &failed)) break;
            if (ready > 0 && FD_ISSET(socket, &writable)) {
                int error = 0, length = sizeof error;
                connected = getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                            error == 0;
                break;
            }
        }
    }
    return connected;
}

void run_sender(Sender* self, OutgoingFile file) {
    Senders& all = senders();
    const unsigned short port = all.port;
    const std::wstring address = wide_text(file.address, CP_THREAD_ACP);
    show_transfer_status(format_text(transfer_text::connecting, address, static_cast<int>(port)));
    if (file.reader) file.reader->start(cached_key_iv(file.password));
    wipe_text(file.password);

    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    {
        std::lock_guard<std::mutex> guard(all.lock);
        self->socket = socket;
    }
    if (socket == INVALID_SOCKET) {
        show_transfer_status(transfer_text::invalid_send_socket);
    } else if (all.stopping || !connect_to(socket, file.address, port)) {
        show_transfer_status(transfer_text::connect_failed);
    } else {
        show_transfer_status(format_text(transfer_text::connected, address, static_cast<int>(port)));
        // Every wait also watches `stopping`: the end of the program never
        // waits out a silent peer, whether or not shutting down wakes a call.
        LinkPace pace;
        pace.idle_ms = transfer::idle_timeout_ms;
        TransferLink link(socket, all.stopping, pace);
        AnswerCounter answers(link);
        const std::string size_text =
            std::to_string(file.sealed ? file.sealed->encrypted_size() : file.reader->encrypted_size());
        ContentResult result = ContentResult::connection_lost;
        if (send_unit(link, answers, transfer::start_marker) && send_unit(link, answers, file.wire_name) &&
            send_unit(link, answers, size_text))
            result = file.sealed ? send_content(link, answers, *file.sealed, file.display_name)
                                 : send_content(link, answers, *file.reader, file.display_name);
        if (result == ContentResult::sent) {
            show_transfer_status(transfer_text::sent);
            send_unit(link, answers, transfer::end_marker);
        } else {
            show_transfer_status(format_text(result == ContentResult::read_failed ? transfer_text::send_read_failed
                                                                                  : transfer_text::send_cut,
                                             file.display_name));
        }
    }
    file.reader.reset();
    file.sealed.reset();
    std::lock_guard<std::mutex> guard(all.lock);
    close_socket(self->socket);
    self->done = true;
    --all.active;
}

// Joins the threads that have ended; under Senders::lock.
void reap_finished(Senders& all) {
    for (auto it = all.running.begin(); it != all.running.end();) {
        if (!it->done) {
            ++it;
            continue;
        }
        if (it->thread.joinable()) it->thread.join();
        it = all.running.erase(it);
    }
}

}  // namespace

void start_file_sender(OutgoingFile file) {
    Senders& all = senders();
    std::lock_guard<std::mutex> guard(all.lock);
    reap_finished(all);
    all.stopping = false;
    ++all.active;
    all.running.emplace_back();
    Sender& sender = all.running.back();
    // Started under the lock: the thread's first use of its record waits for it.
    sender.thread = std::thread(run_sender, &sender, std::move(file));
}

void stop_file_senders() {
    Senders& all = senders();
    {
        std::lock_guard<std::mutex> guard(all.lock);
        all.stopping = true;
        for (Sender& sender : all.running)
            if (sender.socket != INVALID_SOCKET) shutdown(sender.socket, SD_BOTH);
    }
    // Each thread also sees `stopping` within a tenth of a second, where a
    // shutdown does not wake its waiting call. Joined without the lock: each
    // thread takes it once more on its way out.
    for (;;) {
        std::thread thread;
        {
            std::lock_guard<std::mutex> guard(all.lock);
            auto it = std::find_if(all.running.begin(), all.running.end(),
                                   [](Sender& s) { return s.thread.joinable(); });
            if (it == all.running.end()) break;
            thread = std::move(it->thread);
        }
        thread.join();
    }
    std::lock_guard<std::mutex> guard(all.lock);
    all.running.clear();
}

int active_file_senders() { return senders().active; }
void set_file_sender_port(unsigned short port) { senders().port = port; }
unsigned short file_sender_port() { return senders().port; }
void set_file_sender_window_chunks(unsigned chunks) { senders().window_chunks = chunks; }
