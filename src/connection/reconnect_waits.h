#pragma once

// Waits before the attempts to restore a lost connection: they double from the
// first to the longest, so that a server that is down for a while is not
// hammered, and each is spread by up to a fifth either way, so that clients
// dropped together do not all come back at the same instant.
constexpr unsigned first_reconnect_wait_ms = 2000;
constexpr unsigned longest_reconnect_wait_ms = 300000;

// The wait before attempt `attempt` (1, 2, ...), `spread` from 0 to 1 choosing
// where in its range it falls (0.5: the middle); never beyond `longest_ms`.
unsigned reconnect_wait_ms(unsigned attempt, double spread, unsigned first_ms = first_reconnect_wait_ms,
                           unsigned longest_ms = longest_reconnect_wait_ms);
