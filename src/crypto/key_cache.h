#pragma once

// Forgets (and wipes) every key and IV derived from a stored password; called
// when the password table is reloaded and when the program ends.
void forget_derived_keys();
