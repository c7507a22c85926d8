// Darwin's int64_t is long long, not long as in glibc: "%ld" for it fails on a Mac.
// Expect: format specifies type 'long' but the argument has type 'std::int64_t' (aka 'long long')
#include <cstdint>
#include <cstdio>

void print(std::int64_t count) {
    std::printf("%ld\n", count);
}
