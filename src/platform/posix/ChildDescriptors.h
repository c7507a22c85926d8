#pragma once

#include <spawn.h>
#include <string>

namespace sonifix {

// A child of the app holds its standard streams and no other descriptor of the app's. Marking
// our own descriptors close-on-exec is not enough: libraries open theirs without the mark
// (libcurl's sockets while a request is in flight), and a program started for good, such as a
// relaunched sound server, would hold them for the whole session. So every child closes all
// descriptors above standard error itself, by whatever the C library offers; where it offers
// nothing better, one by one.
class ChildDescriptors {
public:
    // A pipe no child inherits, not even one that a thread outside our lock (Qt's) forks while
    // the pipe is made. 0, or the error number.
    static int makePipe(int ends[2]);
    // mkstemp's file, close-on-exec from the start where the C library can; -1 and errno when
    // it cannot be made. `pattern` ends in XXXXXX, which become the name's own letters.
    static int makeTemporaryFile(std::string& pattern);

    // For posix_spawn: the child closes everything above standard error that `actions` do not
    // put on 0 to 2. `flags` are the attributes' flags, to which this may add.
    static void closeOthersOnSpawn(posix_spawn_file_actions_t* actions, short& flags);

    // The highest descriptor number to close, read before a fork: reading it after one is not
    // async-signal-safe.
    static int highestDescriptor();
    // Between fork and exec (async-signal-safe): closes every descriptor above standard error up
    // to `highest`, except `keep`, a close-on-exec descriptor the child still writes to.
    static void closeOthersAfterFork(int keep, int highest) noexcept;
};

} // namespace sonifix
