#pragma once

// Both Macs, Intel and Apple silicon, are LP64. glibc's own copy of this header is the Intel
// one, which would take the arm64 pass for a 32-bit system.
#define __WORDSIZE 64
#define __WORDSIZE_TIME64_COMPAT32 1
#define __SYSCALL_WORDSIZE 64
