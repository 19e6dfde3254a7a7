#pragma once
// microsocks on a free port of 127.0.0.1, user "tester", password "s0cks".
#include <string>

namespace socks_test {

// `private_name`, when given, resolves to 127.0.0.1 for the proxy alone (an
// /etc/hosts of its own in a mount namespace): reaching it proves the proxy
// looked the name up. The port, or 0 with `error` saying why.
unsigned short start_microsocks(std::string& error, const std::string& private_name = "");
void stop_microsocks();

}  // namespace socks_test
