// A dispatch time or queue made and dropped is a mistake the SDK marks: a warning, so an error.
// Expect: ignoring return value of function declared with 'warn_unused_result' attribute
#include <dispatch/dispatch.h>

void wait(dispatch_semaphore_t done) {
    dispatch_time(DISPATCH_TIME_NOW, 500 * NSEC_PER_MSEC);
    dispatch_semaphore_wait(done, DISPATCH_TIME_FOREVER);
}
