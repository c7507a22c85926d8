#pragma once

#include "platform/ProgramLauncher.h"

namespace sonifix {

// Detached by a double fork: the first child starts a new session and forks the program, then
// ends at once and is reaped here, so the program is adopted by the system (or the nearest
// subreaper), never becomes a zombie of the app's and is not ended with it. Its standard streams
// are /dev/null. Whether the exec worked comes back through a close-on-exec pipe.
class PosixProgramLauncher final : public ProgramLauncher {
public:
    int startDetached(const ProgramLaunch& launch) override;
};

} // namespace sonifix
