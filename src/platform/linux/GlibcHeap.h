#pragma once

namespace sonifix {

// The C library's allocator. It keeps what the program frees for the next allocation, which a
// program that sleeps in the tray for days seldom makes: those pages stay in its resident size.
class GlibcHeap {
public:
    // Hands the free pages in the middle and at the top of the heap back to the system.
    static void releaseFree();
};

} // namespace sonifix
