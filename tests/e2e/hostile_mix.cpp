#include "hostile_mix.h"

#include <random>

namespace e2e {
namespace {
constexpr const char* server = "hostile.test";
constexpr int refusals[] = {437, 474, 475, 477, 482};

class MixWriter {
public:
    MixWriter(unsigned seed, const std::string& nickname, const std::string& channel)
        : random_(seed), nick_(nickname), channel_(channel) {}

    std::string line(size_t n) {
        const std::string number = std::to_string(n);
        const std::string who =
            "visitor" + std::to_string(below(3000)) + "!~v@host" + std::to_string(n % 251) + ".example";
        const unsigned kind = below(100);
        if (kind < 14) return garbage();
        if (kind < 24) return malformed(number);
        if (kind < 38)
            return ":stranger" + number + "!~s@nowhere.example PRIVMSG " + nick_ + " :hello from a stranger " + number;
        if (kind < 46) return ":" + who + " PRIVMSG " + channel_ + " :" + nick_ + ": are you there? (" + number + ")";
        if (kind < 52) return ":" + who + " PRIVMSG " + channel_ + " :plain channel chatter number " + number;
        if (kind < 57)
            return std::string(":") + server + " " + std::to_string(refusals[below(5)]) + " " + nick_ + " #refused" +
                   std::to_string(n % 50) + " :Cannot join channel";
        if (kind < 72) return names_reply(n);
        if (kind < 82) return ":" + who + (below(2) ? " JOIN :" : " PART ") + channel_;
        if (kind < 87) return ":" + who + " TOPIC " + channel_ + " :topic number " + number;
        if (kind < 92) {
            static const char* const modes[] = {"+o", "-o", "+v", "-v"};
            return ":" + who + " MODE " + channel_ + " " + modes[below(4)] + " regular" + std::to_string(n % 40);
        }
        const std::string target = below(2) ? nick_ : channel_;
        return ":" + (below(2) ? std::string(server) : who) + " NOTICE " + target + " :notice number " + number;
    }

private:
    unsigned below(unsigned limit) { return static_cast<unsigned>(random_() % limit); }

    // Any byte but CR and LF, so that the line ends where the mix says.
    std::string garbage() {
        const size_t size = 1 + (below(2) ? below(40) : below(1000));
        std::string bytes(size, ' ');
        for (char& byte : bytes) {
            byte = static_cast<char>(below(256));
            if (byte == '\r' || byte == '\n') byte = ' ';
        }
        return bytes;
    }

    std::string malformed(const std::string& number) {
        const std::string x = ":x" + number, to_channel = x + "!u@h PRIVMSG " + channel_ + " :";
        const std::string me = std::string(":") + server + " ";
        const std::string lines[] = {
            ":", "::", ": ", ":" + std::string(1 + below(400), ' '), " ", "", "   \t ", me,
            x + "!u@h", x + "!u@h PRIVMSG", x + "!u@h PRIVMSG " + nick_, x + "!u@h PRIVMSG " + channel_,
            ":!@ PRIVMSG " + channel_ + " :empty prefix parts", ": PRIVMSG " + channel_ + " :no prefix",
            "PRIVMSG", "PRIVMSG :", "NOTICE", "JOIN", "PING", "ERROR",
            x + " JOIN", x + " PART", x + " MODE", x + " MODE " + channel_, x + " TOPIC", x + "!u@h KICK " + channel_,
            x + " NICK", x + " QUIT",
            me + "353", me + "353 " + nick_ + " = ", me + "353 " + nick_ + " = " + channel_, me + "366",
            me + "332 " + nick_, me + "311 " + nick_, me + "302 " + nick_ + " :",
            me + "99999999999999 " + nick_ + " :huge numeric", "@tag=v :x!u@h PRIVMSG " + channel_ + " :t",
            to_channel + "\x01" "ACTION", to_channel + "[ZOVMSG01]" + std::string(below(90), 'A'),
            to_channel + std::string(2 * (1 + below(60)), '%'), to_channel + "\xff\xfe\xc3",
            to_channel + "http://" + std::string(below(500), 'a'),
        };
        return lines[below(sizeof lines / sizeof lines[0])];
    }

    // The same users over and over; every so often the list ends.
    std::string names_reply(size_t n) {
        if (n % 20 == 19) return std::string(":") + server + " 366 " + nick_ + " " + channel_ + " :End of NAMES list";
        std::string line = std::string(":") + server + " 353 " + nick_ + " = " + channel_ + " :@" + nick_;
        static const char* const marks[] = {"@", "+", ""};
        for (int k = 0; k < 40; ++k) line += std::string(" ") + marks[k % 3] + "regular" + std::to_string(k);
        return line;
    }

    std::mt19937 random_;
    std::string nick_, channel_;
};
}  // namespace

HostileMix hostile_mix(unsigned seed, size_t count, const std::string& nickname, const std::string& channel) {
    MixWriter writer(seed, nickname, channel);
    HostileMix mix;
    mix.ends.reserve(count);
    for (size_t n = 0; n < count; ++n) {
        mix.bytes += writer.line(n);
        mix.bytes += "\r\n";
        mix.ends.push_back(mix.bytes.size());
    }
    return mix;
}

}  // namespace e2e
