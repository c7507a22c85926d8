// ThreadSanitizer cannot see libpulse's own atomics (the library is not instrumented), so it
// takes the lazy creation of libpulse's internal mutexes, published by an atomic exchange, for a
// race. Nor does it take the descriptor of a directory stream from opendir as new, so a
// closedir of a number libpulse's socket had before looks like a race with that socket (closedir
// as the top frame only). Only those are silenced; races in our code around libpulse are still
// reported.
extern "C" const char* __tsan_default_suppressions() {
    return "race:pa_mutex_lock\n"
           "race_top:closedir\n";
}
