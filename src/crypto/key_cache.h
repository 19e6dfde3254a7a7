#pragma once
#include <cstddef>
#include <string>

#include "crypto/key_derivation.h"

// Derivation costs tens of milliseconds while a message needs microseconds, and
// a receiver may try sixteen passwords per message: the key and IV of each
// password in use are kept, keyed by the password bytes, until forgotten.
// Safe from any thread; the slow derivation runs outside the lock.
KeyMaterial cached_key_iv(const std::string& password);

// Forgets (and wipes) every key and IV derived from a stored password; called
// when the password table is reloaded and when the program ends.
void forget_derived_keys();

// Number of passwords whose keys are held (for tests and benchmarks).
size_t cached_key_count();
