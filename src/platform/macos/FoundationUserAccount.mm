#include "FoundationUserAccount.h"

#import "FoundationStrings.h"
#include "platform/posix/PosixUserAccount.h"

#import <Foundation/Foundation.h>

namespace sonifix {

std::string FoundationUserAccount::shortName() {
    @autoreleasepool {
        return macos::toStdString(NSUserName());
    }
}

// The user database is the POSIX one on macOS too.
unsigned FoundationUserAccount::userId() {
    return PosixUserAccount().userId();
}

std::optional<unsigned> FoundationUserAccount::userIdOf(const std::string& name) {
    return PosixUserAccount().userIdOf(name);
}

} // namespace sonifix
