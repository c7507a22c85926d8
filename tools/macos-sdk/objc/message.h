#pragma once

// <objc/message.h>: the messenger, declared as the SDK declares it when calls through it must
// be cast to the method's own type (OBJC_OLD_DISPATCH_PROTOTYPES=0).

#ifdef __cplusplus
extern "C" {
#endif

void objc_msgSend(void);

#ifdef __cplusplus
}
#endif
