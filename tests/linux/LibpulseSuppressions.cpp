// ThreadSanitizer cannot see libpulse's own atomics (the library is not instrumented), so it
// takes the lazy creation of libpulse's internal mutexes, published by an atomic exchange, for a
// race. Only that is silenced; races in our code around libpulse are still reported.
extern "C" const char* __tsan_default_suppressions() {
    return "race:pa_mutex_lock\n";
}
