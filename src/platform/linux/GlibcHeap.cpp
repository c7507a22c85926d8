#include "GlibcHeap.h"

#include <malloc.h>

namespace sonifix {

void GlibcHeap::releaseFree() {
    malloc_trim(0);
}

} // namespace sonifix
