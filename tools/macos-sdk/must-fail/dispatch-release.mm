// Dispatch objects are Objective-C objects under ARC: releasing one by hand is an error.
// Expect: 'dispatch_release' is unavailable
#include <dispatch/dispatch.h>

void done(dispatch_semaphore_t semaphore) {
    dispatch_release(semaphore);
}
