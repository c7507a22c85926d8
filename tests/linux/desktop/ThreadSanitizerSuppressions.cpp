// Qt, libdbus and libxcb are not built with ThreadSanitizer: the locks and atomics with which
// their threads (D-Bus, the X event reader) hand messages to the main thread are invisible to it,
// so every message looks like a race. Reports with those libraries on a stack are left out; our
// adapters touch nothing from another thread. Only a ThreadSanitizer build reads this.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so.6\n"
           "race:libQt6DBus.so.6\n"
           "race:libQt6Gui.so.6\n"
           "race:libQt6XcbQpa.so.6\n"
           "race:libdbus-1.so.3\n"
           "race:libxcb.so.1\n";
}
