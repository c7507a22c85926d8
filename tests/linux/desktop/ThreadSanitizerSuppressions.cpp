// Qt, libdbus, libxcb, libX11 and libpulse are not built with ThreadSanitizer. What it sees of them
// is what they do through its interceptors (memory copies, frees, reads into buffers), whose
// ordering with our code it cannot know: those calls, made by the libraries themselves, are left
// out. Qt's event queue hands a queued call to the receiver's thread through a lock it cannot see
// either, so a race reported inside the delivery of a queued call (QObject::event), or the
// destruction of its arguments after it (~QMetaCallEvent), is left out, as is the D-Bus thread's
// look at an object being unregistered (QObject::disconnect). libX11 frees its display lock at
// exit while its own threads may hold it (mutex:), and libpulse makes its mutexes lazily,
// published by an atomic it cannot see (pa_mutex_lock). A directory stream's descriptor is not
// known to it as new when opendir takes a number another thread's socket had before, so the
// closedir that ends it is taken for a race with that socket (closedir, as the top frame only).
// Races in our code elsewhere, with the libraries on the stack or not, are still reported.
// Only a ThreadSanitizer build reads this.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6DBus.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "called_from_lib:libQt6XcbQpa.so.6\n"
           "called_from_lib:libdbus-1.so.3\n"
           "called_from_lib:libxcb.so.1\n"
           "race:QObject::event\n"
           "race:QObject::disconnect\n"
           "race:QMetaCallEvent::~QMetaCallEvent\n"
           "mutex:libX11.so.6\n"
           "race:pa_mutex_lock\n"
           "race_top:closedir\n";
}
