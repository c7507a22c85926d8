#pragma once

#include <mutex>

namespace sonifix {

// Held while a pipe is made and while a child is started: where the C library cannot make a pipe
// close-on-exec at once, a child started meanwhile would inherit the pipe's write end before it
// is marked, and hold it open past its writer's end.
inline std::mutex& spawnLock() {
    static std::mutex lock;
    return lock;
}

} // namespace sonifix
