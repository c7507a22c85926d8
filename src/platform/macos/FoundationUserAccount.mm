#include "FoundationUserAccount.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>

namespace sonifix {

std::string FoundationUserAccount::shortName() {
    @autoreleasepool {
        return macos::toStdString(NSUserName());
    }
}

} // namespace sonifix
