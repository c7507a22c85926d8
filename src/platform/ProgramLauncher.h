#pragma once

#include "ProgramLaunch.h"

namespace sonifix {

// Starts programs that live on their own: in a session of their own, with no tie to the app, so
// that they outlive it and it never has to wait for them. Any thread; never throws.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;

    // Starts the program and returns once it runs (or could not): 0 when it was started, the
    // system's error number otherwise (ENOENT: no such program).
    virtual int startDetached(const ProgramLaunch& launch) = 0;
};

} // namespace sonifix
