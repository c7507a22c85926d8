// Qt, libdbus, libxcb, libX11 and libpulse are not built with ThreadSanitizer, which cannot order
// what they do through its interceptors (copies, frees) with our code: those calls, made by the
// libraries themselves, are left out. Hand-overs through locks it cannot see are left out by
// frame: a queued call's delivery (QObject::event) and the destruction of its arguments
// (~QMetaCallEvent), the D-Bus thread's look at an object being unregistered
// (QObject::disconnect), libX11's display lock freed at exit (mutex:) and libpulse's lazily made
// mutexes (pa_mutex_lock). A closedir whose descriptor number a socket had before is taken for a
// race with that socket (closedir, as the top frame only). Races in our code are still reported.
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
