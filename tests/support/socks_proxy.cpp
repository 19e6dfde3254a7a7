#include "support/socks_proxy.h"

#include <cstdlib>

#include "support/file_bytes.h"
#include "support/linux_shell.h"

namespace socks_test {

unsigned short start_microsocks(std::string& error, const std::string& private_name) {
    stop_microsocks();
    const std::string name = private_name.empty() ? "" : "unshare -m ";
    if (!linux_shell::run("cat >socks.sh <<'SH'\n[ -n \"$2\" ] && { printf '127.0.0.1 %s\\n' \"$2\" >hosts; "
                          "mount --bind \"$PWD/hosts\" /etc/hosts || exit 1; }\n"
                          "exec microsocks -i 127.0.0.1 -p \"$1\" -u tester -P s0cks\nSH\n"
                          "port=$(python3 -c 'import socket; s=socket.socket(); s.bind((\"127.0.0.1\", 0)); "
                          "print(s.getsockname()[1])'); echo $port >socks_port\n"
                          "setsid " +
                              name + "sh socks.sh $port '" + private_name +
                              "' </dev/null >socks.log 2>&1 &\n"
                              "echo $! >socks_pid\npython3 -c \"import socket, time\nfor _ in range(100):\n"
                              "    try: socket.create_connection(('127.0.0.1', $port), 1).close(); break\n"
                              "    except OSError: time.sleep(0.05)\nelse: raise SystemExit(1)\"",
                          error))
        return 0;
    return static_cast<unsigned short>(
        atoi(read_file_bytes(linux_shell::scratch_folder_wide() + L"socks_port").c_str()));
}

void stop_microsocks() {
    std::string ignored;
    linux_shell::run("[ -f socks_pid ] && kill $(cat socks_pid) 2>/dev/null; rm -f socks_pid; true", ignored);
}

}  // namespace socks_test
