#include "PosixUserAccount.h"

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace sonifix {

std::string PosixUserAccount::shortName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name) {
        return {};
    }
    return found->pw_name;
}

unsigned PosixUserAccount::userId() {
    return ::getuid();
}

std::optional<unsigned> PosixUserAccount::userIdOf(const std::string& name) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        return std::nullopt;
    }
    return found->pw_uid;
}

} // namespace sonifix
