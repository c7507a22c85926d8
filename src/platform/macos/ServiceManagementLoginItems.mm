#include "ServiceManagementLoginItems.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

namespace sonifix {

using macos::toStdString;

namespace {

std::optional<std::string> refusal(BOOL succeeded, NSError* error) {
    if (succeeded) {
        return std::nullopt;
    }
    return toStdString(error.localizedDescription);
}

} // namespace

int ServiceManagementLoginItems::status() {
    return int(SMAppService.mainAppService.status);
}

std::optional<std::string> ServiceManagementLoginItems::registerApp() {
    NSError* error = nil;
    const BOOL succeeded = [SMAppService.mainAppService registerAndReturnError:&error];
    return refusal(succeeded, error);
}

std::optional<std::string> ServiceManagementLoginItems::unregisterApp() {
    NSError* error = nil;
    const BOOL succeeded = [SMAppService.mainAppService unregisterAndReturnError:&error];
    return refusal(succeeded, error);
}

std::string ServiceManagementLoginItems::appPath() {
    return toStdString(NSBundle.mainBundle.bundlePath);
}

void ServiceManagementLoginItems::openSystemSettingsLoginItems() {
    [SMAppService openSystemSettingsLoginItems];
}

} // namespace sonifix
