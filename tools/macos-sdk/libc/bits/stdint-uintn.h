#ifndef _BITS_STDINT_UINTN_H
#define _BITS_STDINT_UINTN_H 1

// Darwin's unsigned exact-width types: uint64_t is unsigned long long there.
typedef unsigned char uint8_t;
typedef unsigned short uint16_t;
typedef unsigned int uint32_t;
typedef unsigned long long uint64_t;

#endif
