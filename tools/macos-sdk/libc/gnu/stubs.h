#pragma once

// glibc's list of the functions it only stubs, chosen by its Intel copy from __x86_64__: the
// arm64 pass would look for a 32-bit list that is not installed. None of them matters here.
#include <gnu/stubs-64.h>
