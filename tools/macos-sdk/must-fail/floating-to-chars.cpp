// Floating-point to_chars: in Apple's libc++ only from macOS 13.3 (13.4 in libc++ 19's markup).
// Expect: 'to_chars' is unavailable
#include <charconv>

int format(char* buffer, double value) {
    return int(std::to_chars(buffer, buffer + 32, value, std::chars_format::fixed, 1).ptr - buffer);
}
