#pragma once
// Linux programs (openssl, ngircd) run from inside a test under Wine. Wine
// starts a Linux program like a Windows one but gives back no handle to wait
// on, so the shell leaves a status file when it is done.
#include <string>

namespace linux_shell {

// A scratch folder of the Linux side for this test process, created on first
// use: its Linux path (no trailing slash) and the same folder as Wine shows it
// on drive Z: (with a trailing backslash).
std::string scratch_folder();
std::wstring scratch_folder_wide();

// Runs `script` with /bin/sh in the scratch folder and waits for it. True when
// it exits with status 0; otherwise `error` says why (its exit status and
// standard error, or that it did not finish within `timeout_ms`).
bool run(const std::string& script, std::string& error, int timeout_ms = 20000);

}  // namespace linux_shell
