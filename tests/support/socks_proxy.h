#pragma once
#include <string>
namespace socks_test {
// microsocks on a free port of 127.0.0.1 (user "tester", password "s0cks"):
// the port, or 0 with `error`. `private_name`, if any, resolves to 127.0.0.1
// for the proxy alone (its own /etc/hosts in a mount namespace).
unsigned short start_microsocks(std::string& error, const std::string& private_name = "");
void stop_microsocks();
}  // namespace socks_test
