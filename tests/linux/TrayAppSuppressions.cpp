// The tray app's tests run Qt, libdbus, libxcb and libpulse together, none of them built with
// ThreadSanitizer: the same reports are left out as in desktop/ThreadSanitizerSuppressions.cpp,
// whose text this is.
#include "desktop/ThreadSanitizerSuppressions.cpp"
