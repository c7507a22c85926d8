#include "ShellWords.h"
#include "restart/PasswordFreeRule.h"

#include <cstdint>
#include <cstdlib>

// For every accepted user name the root command splits into exactly the words it was written
// as, outside and inside its clean shell: the name stays inside the rule's one word and can
// neither end it nor add a command, a redirection or an expansion.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sonifix::PasswordFreeRule;
    const std::string name(reinterpret_cast<const char*>(data), size);
    if (!PasswordFreeRule::isAcceptableUserName(name)) {
        return 0;
    }
    const auto outer = ShellWords::split(
        PasswordFreeRule::installCommandLine(name, "/usr/bin/killall coreaudiod"));
    if (outer.size() != 6 || outer[0] != "/usr/bin/env" || outer[1] != "-i" ||
        outer[2] != "PATH=/usr/bin:/bin:/usr/sbin:/sbin" || outer[3] != "/bin/sh" ||
        outer[4] != "-c") {
        std::abort();
    }
    const std::vector<std::string> expected = {
        "umask",
        "077",
        ";",
        "t=$(/usr/bin/mktemp /etc/sudoers.d/sonifix.XXXXXX)",
        "||",
        "exit",
        ";",
        "/usr/bin/printf",
        "%s\\n",
        name + " ALL=(root) NOPASSWD: /usr/bin/killall coreaudiod",
        ">",
        "$t",
        "&&",
        "/usr/sbin/visudo",
        "-cf",
        "$t",
        "&&",
        "chown",
        "root:wheel",
        "$t",
        "&&",
        "/bin/chmod",
        "0440",
        "$t",
        "&&",
        "/bin/mv",
        "-f",
        "$t",
        "/etc/sudoers.d/sonifix",
        ";",
        "s=$?",
        ";",
        "/bin/rm",
        "-f",
        "$t",
        ";",
        "exit",
        "$s"};
    if (ShellWords::split(outer[5]) != expected) {
        std::abort();
    }
    return 0;
}
