// The tray app's test runs Qt, libdbus, libxcb and libpulse together, none of them built with
// ThreadSanitizer: the locks and atomics with which their own threads hand work to the main
// thread are invisible to it, so each hand-over looks like a race. Reports with those libraries
// on a stack are left out (see desktop/ThreadSanitizerSuppressions.cpp and
// LibpulseSuppressions.cpp); races in our own code are still reported.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so.6\n"
           "race:libQt6DBus.so.6\n"
           "race:libQt6Gui.so.6\n"
           "race:libQt6Widgets.so.6\n"
           "race:libQt6XcbQpa.so.6\n"
           "race:libdbus-1.so.3\n"
           "race:libxcb.so.1\n"
           "race:pa_mutex_lock\n"
           "deadlock:libdbus-1.so.3\n";
}

// Qt's tray looks for a StatusNotifierWatcher through an interface whose introspected
// description it keeps in the session bus connection's cache for good, as the connection does.
// Qt is built without frame pointers: the stack of that allocation shows only the library.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6DBus.so.6\n";
}
