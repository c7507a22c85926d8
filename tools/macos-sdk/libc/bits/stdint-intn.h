#ifndef _BITS_STDINT_INTN_H
#define _BITS_STDINT_INTN_H 1

// Darwin's exact-width types, in place of glibc's: int64_t is long long there, not long, so
// "%ld" for it, or a long& bound to it, fails on a Mac.
typedef signed char int8_t;
typedef short int16_t;
typedef int int32_t;
typedef long long int64_t;

#endif
