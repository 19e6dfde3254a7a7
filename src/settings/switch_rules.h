#pragma once

// How a stored switch is read. Case matters: "FALSE" is not "false".

// A switch that is on unless its value begins with "false".
bool read_default_on_switch(const wchar_t* value);

// A switch that is off unless its value begins with "true".
bool read_default_off_switch(const wchar_t* value);

// On only when the value is exactly "true" (the random-nickname box).
bool read_exact_true(const wchar_t* value);

// The word a switch is stored as.
const wchar_t* switch_text(bool on);
