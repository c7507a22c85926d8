#include "FoundationFileSystem.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>

namespace sonifix {

std::string FoundationFileSystem::temporaryDirectory() {
    @autoreleasepool {
        // A file URL's path carries no trailing slash.
        return macos::toStdString([NSFileManager defaultManager].temporaryDirectory.path);
    }
}

} // namespace sonifix
