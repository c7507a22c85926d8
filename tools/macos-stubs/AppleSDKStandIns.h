#pragma once

// What the macOS adapters use of Apple's SDK and GNUstep does not declare, written with the
// SDK's own names, types and values so that the adapters compile here, in syntax-only mode,
// exactly as written for the Mac. Included only by tools/check-macos-syntax.sh, ahead of every
// file it checks; a real macOS build never sees it.
//
// Where the SDK's declaration cannot be repeated here, the difference is noted beside it.

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>
#include <stdint.h>

// As in the SDK's headers, a pointer not marked otherwise is never null.
#pragma clang assume_nonnull begin

#define SONIFIX_AVAILABLE_MACOS(version) __attribute__((availability(macos, introduced = version)))

#ifdef __cplusplus
extern "C" {
#endif

// MacTypes.h (64-bit)

typedef unsigned int UInt32;
typedef signed int SInt32;
typedef SInt32 OSStatus;
typedef unsigned char Boolean;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef UInt32 OptionBits;
typedef unsigned long ItemCount;
enum { noErr = 0 };

// CoreFoundation: CFBase.h, CFString.h

typedef const void* CFTypeRef;
typedef long CFIndex;
typedef const struct __CFString* CFStringRef;
typedef UInt32 CFStringEncoding;
enum { kCFStringEncodingUTF8 = 0x08000100 };

void CFRelease(CFTypeRef cf);
CFIndex CFStringGetLength(CFStringRef theString);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);

// dispatch: queue.h, time.h. In the SDK, dispatch_queue_t is an Objective-C object type that
// ARC retains and releases (OS_OBJECT_USE_OBJC); the adapters only pass it along, so a plain
// pointer type stands in for it.

typedef struct dispatch_queue_s* dispatch_queue_t;
typedef void (^dispatch_block_t)(void);
typedef uint64_t dispatch_time_t;
#define DISPATCH_TIME_NOW (0ull)

dispatch_queue_t dispatch_get_main_queue(void);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block);
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

// CoreAudio: AudioHardwareBase.h, AudioHardware.h

typedef UInt32 AudioObjectID;
typedef UInt32 AudioObjectPropertySelector;
typedef UInt32 AudioObjectPropertyScope;
typedef UInt32 AudioObjectPropertyElement;

struct AudioObjectPropertyAddress {
    AudioObjectPropertySelector mSelector;
    AudioObjectPropertyScope mScope;
    AudioObjectPropertyElement mElement;
};
typedef struct AudioObjectPropertyAddress AudioObjectPropertyAddress;

enum { kAudioHardwareBadObjectError = '!obj' };

typedef void (^AudioObjectPropertyListenerBlock)(UInt32 inNumberAddresses,
                                                 const AudioObjectPropertyAddress* inAddresses);

OSStatus AudioObjectGetPropertyDataSize(AudioObjectID inObjectID,
                                        const AudioObjectPropertyAddress* inAddress,
                                        UInt32 inQualifierDataSize,
                                        const void* _Nullable inQualifierData, UInt32* outDataSize);
OSStatus AudioObjectGetPropertyData(AudioObjectID inObjectID,
                                    const AudioObjectPropertyAddress* inAddress,
                                    UInt32 inQualifierDataSize,
                                    const void* _Nullable inQualifierData, UInt32* ioDataSize,
                                    void* outData);
OSStatus AudioObjectSetPropertyData(AudioObjectID inObjectID,
                                    const AudioObjectPropertyAddress* inAddress,
                                    UInt32 inQualifierDataSize,
                                    const void* _Nullable inQualifierData, UInt32 inDataSize,
                                    const void* inData);
OSStatus AudioObjectAddPropertyListenerBlock(AudioObjectID inObjectID,
                                             const AudioObjectPropertyAddress* inAddress,
                                             dispatch_queue_t _Nullable inDispatchQueue,
                                             AudioObjectPropertyListenerBlock inListener);
OSStatus AudioObjectRemovePropertyListenerBlock(AudioObjectID inObjectID,
                                                const AudioObjectPropertyAddress* inAddress,
                                                dispatch_queue_t _Nullable inDispatchQueue,
                                                AudioObjectPropertyListenerBlock inListener);

// Carbon (HIToolbox): CarbonEventsCore.h, CarbonEvents.h. These headers carry no nullability.

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wnullability-completeness"

typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef struct OpaqueEventHotKeyRef* EventHotKeyRef;

typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

struct EventTypeSpec {
    OSType eventClass;
    UInt32 eventKind;
};
typedef struct EventTypeSpec EventTypeSpec;

struct EventHotKeyID {
    OSType signature;
    UInt32 id;
};
typedef struct EventHotKeyID EventHotKeyID;

EventTargetRef GetApplicationEventTarget(void);
OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
OSStatus RegisterEventHotKey(UInt32 inHotKeyCode, UInt32 inHotKeyModifiers,
                             EventHotKeyID inHotKeyID, EventTargetRef inTarget,
                             OptionBits inOptions, EventHotKeyRef* outRef);
OSStatus UnregisterEventHotKey(EventHotKeyRef inHotKey);

#pragma clang diagnostic pop

#ifdef __cplusplus
}
#endif

// Foundation

FOUNDATION_EXPORT NSString* const NSAppleScriptErrorMessage;
FOUNDATION_EXPORT NSString* const NSAppleScriptErrorNumber;

// GNUstep declares the class with no methods.
@interface NSAppleScript (AppleSDKStandIns)
- (nullable instancetype)initWithSource:(NSString*)source;
- (NSAppleEventDescriptor*)executeAndReturnError:
    (NSDictionary<NSString*, id>* _Nullable* _Nullable)errorInfo;
@end

@interface NSAppleEventDescriptor (AppleSDKStandIns)
@property(nullable, readonly, copy) NSString* stringValue;
@end

@interface NSFileManager (AppleSDKStandIns)
@property(readonly, copy) NSURL* temporaryDirectory SONIFIX_AVAILABLE_MACOS(10.12);
@end

SONIFIX_AVAILABLE_MACOS(10.15)
@interface NSRelativeDateTimeFormatter : NSFormatter
- (NSString*)localizedStringForDate:(NSDate*)date relativeToDate:(NSDate*)referenceDate;
@end

// AppKit

typedef NSString* NSAboutPanelOptionKey;
APPKIT_EXPORT NSAboutPanelOptionKey const NSAboutPanelOptionCredits SONIFIX_AVAILABLE_MACOS(10.13);

typedef NSString* NSTextContentType;
APPKIT_EXPORT NSTextContentType const NSTextContentTypeEmailAddress SONIFIX_AVAILABLE_MACOS(14.0);

@interface NSImage (AppleSDKStandIns)
+ (nullable NSImage*)imageWithSystemSymbolName:(NSString*)name
                      accessibilityDescription:(nullable NSString*)description
    SONIFIX_AVAILABLE_MACOS(11.0);
// The SDK declares these as the property `template` (getter isTemplate).
- (BOOL)isTemplate;
- (void)setTemplate:(BOOL)isTemplate;
@end

@interface NSStatusItem (AppleSDKStandIns)
@property(readonly, strong, nullable) NSStatusBarButton* button SONIFIX_AVAILABLE_MACOS(10.10);
@end

@interface NSMenu (AppleSDKStandIns)
- (void)removeAllItems SONIFIX_AVAILABLE_MACOS(10.6);
@end

// GNUstep answers the window as `id`.
@interface NSAlert (AppleSDKStandIns)
@property(nullable, strong) NSView* accessoryView;
@property(readonly, strong) NSWindow* window;
@end

// GNUstep answers its NSMenuItem protocol.
@interface NSMenuItem (AppleSDKStandIns)
+ (NSMenuItem*)separatorItem;
@end

@interface NSTextField (AppleSDKStandIns)
@property(nullable, copy) NSString* placeholderString SONIFIX_AVAILABLE_MACOS(10.10);
// From the NSTextContent protocol, which NSTextField adopts in the SDK.
@property(nullable, copy) NSTextContentType contentType SONIFIX_AVAILABLE_MACOS(11.0);
@end

// ServiceManagement: SMAppService.h

typedef NS_ENUM(NSInteger, SMAppServiceStatus) {
    SMAppServiceStatusNotRegistered = 0,
    SMAppServiceStatusEnabled = 1,
    SMAppServiceStatusRequiresApproval = 2,
    SMAppServiceStatusNotFound = 3,
};

SONIFIX_AVAILABLE_MACOS(13.0)
@interface SMAppService : NSObject
@property(class, readonly) SMAppService* mainAppService;
@property(readonly) SMAppServiceStatus status;
- (BOOL)registerAndReturnError:(NSError* _Nullable*)error;
- (BOOL)unregisterAndReturnError:(NSError* _Nullable*)error;
@end

#pragma clang assume_nonnull end
