#include "chat/line_time.h"

namespace {
thread_local long long line_time = 0;
}

long long current_line_time() { return line_time; }

LineTimeScope::LineTimeScope(long long time) : previous_(line_time) { line_time = time; }

LineTimeScope::~LineTimeScope() { line_time = previous_; }
