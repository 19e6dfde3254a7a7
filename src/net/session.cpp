#include "net/session.h"

#include <atomic>

namespace {
std::atomic<unsigned> latest_session{0};
thread_local unsigned bound_session = 0;
}  // namespace

unsigned begin_session() {
    return ++latest_session;
}

unsigned current_session() {
    return latest_session;
}

void bind_thread_to_session(unsigned session) {
    bound_session = session;
}

unsigned thread_session() {
    return bound_session;
}

bool session_is_replaced(unsigned session) {
    return session != 0 && session != latest_session;
}
