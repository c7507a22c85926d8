// The tray app's tests run Qt, libdbus, libxcb and libpulse together, none of them built with
// ThreadSanitizer: the same reports are left out as in desktop/ThreadSanitizerSuppressions.cpp,
// whose text this is.
#include "desktop/ThreadSanitizerSuppressions.cpp"

// Qt's tray looks for a StatusNotifierWatcher through an interface whose introspected
// description it keeps in the session bus connection's cache for good, as the connection does.
// Qt is built without frame pointers: the stack of that allocation shows only the library.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6DBus.so.6\n";
}
