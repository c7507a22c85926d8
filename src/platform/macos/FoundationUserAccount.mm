#include "FoundationUserAccount.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace sonifix {

std::string FoundationUserAccount::shortName() {
    @autoreleasepool {
        return macos::toStdString(NSUserName());
    }
}

unsigned FoundationUserAccount::userId() {
    return ::getuid();
}

std::optional<unsigned> FoundationUserAccount::userIdOf(const std::string& name) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        return std::nullopt;
    }
    return found->pw_uid;
}

} // namespace sonifix
