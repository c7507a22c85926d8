// Qt, libdbus, libxcb, libX11 and libpulse are not built with ThreadSanitizer, which cannot order
// what they do through its interceptors (copies, frees) with our code: those calls, made by the
// libraries themselves, are left out. Hand-overs through the main queue and libpulse's loop lock
// are told to it where we make them (HandOver), so no frame that runs our code is left out. Each
// remaining entry names one library frame that calls none of our code, so a race it matches
// always has the library's own access on one side:
// - QObject::disconnect, anywhere in the stack: the D-Bus thread's look at an object being
//   unregistered, under QtDBus's own lock; the only code of ours it reaches is moc's
//   metaObject(), which reads a constant;
// - pa_mutex_lock, anywhere in the stack, since the racing frame is the lock call it makes:
//   libpulse makes its mutexes lazily, unseen;
// - closedir, as the racing frame itself: a descriptor number a socket had before is taken for
//   a race with that socket;
// - libX11's display lock, freed at exit (mutex:).
// tools/thread-sanitizer-probe.sh checks that a race through the main queue is still reported.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6XcbQpa.so.6\n"
           "called_from_lib:libdbus-1.so.3\n"
           "called_from_lib:libxcb.so.1\n"
           "race:QObject::disconnect\n"
           "mutex:libX11.so.6\n"
           "race:pa_mutex_lock\n"
           "race_top:closedir\n";
}
