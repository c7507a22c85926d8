#pragma once

// CoreServices: what the app uses of the Apple Event Manager (AEDataModel.h, AppleEvents.h), as
// the macOS 14 SDK declares it. These headers carry no nullability.

#include <CoreFoundation/CoreFoundation.h>
#include <os/availability.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef FourCharCode DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;
typedef struct OpaqueAEDataStorageType* AEDataStorageType;
typedef AEDataStorageType* AEDataStorage;

struct AEDesc {
    DescType descriptorType;
    AEDataStorage dataHandle;
};
typedef struct AEDesc AEDesc;
typedef AEDesc AEAddressDesc;

enum { typeWildCard = '****' };
enum { paramErr = -50 }; // MacErrors.h
enum { errAEEventNotPermitted = -1743, errAEEventWouldRequireUserConsent = -1744 };

OSStatus AEDeterminePermissionToAutomateTarget(const AEAddressDesc* target,
                                               AEEventClass theAEEventClass, AEEventID theAEEventID,
                                               Boolean askUserIfNeeded) API_AVAILABLE(macos(10.14));

#ifdef __cplusplus
}
#endif
