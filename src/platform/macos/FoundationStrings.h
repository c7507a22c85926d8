#pragma once

// Text between the core's UTF-8 strings and Foundation's. Objective-C++: included only by the
// macOS adapters' .mm files.

#import <Foundation/Foundation.h>
#include <string>

namespace sonifix::macos {

// Bytes that are not UTF-8 give the empty string rather than nil, which AppKit would refuse.
inline NSString* toNSString(const std::string& text) {
    NSString* converted = [[NSString alloc] initWithBytes:text.data()
                                                   length:text.size()
                                                 encoding:NSUTF8StringEncoding];
    return converted != nil ? converted : @"";
}

inline std::string toStdString(NSString* text) {
    const char* bytes = text.UTF8String;
    return bytes != nullptr ? std::string(bytes) : std::string();
}

} // namespace sonifix::macos
