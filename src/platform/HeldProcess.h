#pragma once

namespace sonifix {

// A process held by a handle that names it and no other for as long as the handle lives: once
// the process has ended, its ID may be given to another, but the handle never reaches that one.
// Any thread; never throws.
class HeldProcess {
public:
    enum class Signal { terminate, kill };

    virtual ~HeldProcess() = default;

    // Sends the signal: 0 when it was sent, the system's error number otherwise (ESRCH once the
    // process has ended).
    virtual int signal(Signal signal) = 0;

    // Whether the process has ended (a zombie that is not yet reaped has).
    virtual bool hasEnded() = 0;
};

} // namespace sonifix
