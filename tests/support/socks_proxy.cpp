#include "support/socks_proxy.h"

#include <cstdlib>

#include "support/file_bytes.h"
#include "support/linux_shell.h"

namespace socks_test {

unsigned short start_microsocks(std::string& error, const std::string& private_name) {
    stop_microsocks();
    const std::string launcher = private_name.empty() ? "sh" : "unshare -m sh";
    const bool started = linux_shell::run(
        "cat >socks.sh <<'SH'\n"
        "[ -n \"$2\" ] && { printf '127.0.0.1 localhost\\n127.0.0.1 %s\\n' \"$2\" >hosts-proxy; "
        "mount --bind \"$PWD/hosts-proxy\" /etc/hosts || exit 1; }\n"
        "exec microsocks -i 127.0.0.1 -p \"$1\" -u tester -P s0cks\n"
        "SH\n"
        "port=$(python3 -c 'import socket; s=socket.socket(); s.bind((\"127.0.0.1\", 0)); "
        "print(s.getsockname()[1])'); echo $port >socks_port\n"
        "setsid " + launcher + " socks.sh $port '" + private_name + "' </dev/null >socks.log 2>&1 & echo $! >socks_pid\n"
        "python3 -c \"import socket, sys, time\n"
        "for _ in range(100):\n"
        "    try:\n"
        "        socket.create_connection(('127.0.0.1', $port), 1).close(); sys.exit(0)\n"
        "    except OSError:\n"
        "        time.sleep(0.05)\n"
        "sys.exit(1)\" || { cat socks.log >&2; exit 1; }\n",
        error);
    if (!started) return 0;
    return static_cast<unsigned short>(atoi(read_file_bytes(linux_shell::scratch_folder_wide() + L"socks_port").c_str()));
}

void stop_microsocks() {
    std::string ignored;
    linux_shell::run("[ -f socks_pid ] && kill $(cat socks_pid) 2>/dev/null; rm -f socks_pid; true", ignored);
}

}  // namespace socks_test
