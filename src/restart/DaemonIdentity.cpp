#include "DaemonIdentity.h"

namespace sonifix {

DaemonIdentity DaemonIdentity::coreaudiod() {
    return {
        .name = "coreaudiod",
        .lookup = {"/usr/bin/pgrep", {"-x", "coreaudiod"}},
        .killCommand = {"/usr/bin/killall", "coreaudiod"},
        .needsRoot = true,
    };
}

} // namespace sonifix
