#pragma once
#include <winsock2.h>

#include <atomic>
#include <cstddef>

// How often a thread waiting on the server's socket looks whether the
// connection is still wanted: a shutdown does not wake every wait on every
// system, and a server that stops reading must not hold a sender for ever.
constexpr long socket_check_us = 100000;

// Sends all of `size` bytes on a non-blocking socket while `up` holds, waiting
// for room in short steps. False when the connection went or a send failed.
bool send_while_up(SOCKET sock, const char* data, size_t size, const std::atomic<int>& up);
