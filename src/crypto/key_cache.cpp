#include "crypto/key_cache.h"

void forget_derived_keys() {}
