#include "FoundationRelativeTimeFormatter.h"

#import "FoundationStrings.h"

#import <Foundation/Foundation.h>

namespace sonifix {

namespace {

NSDate* toNSDate(std::chrono::system_clock::time_point time) {
    const std::chrono::duration<double> seconds = time.time_since_epoch();
    return [NSDate dateWithTimeIntervalSince1970:seconds.count()];
}

} // namespace

std::string
FoundationRelativeTimeFormatter::describe(std::chrono::system_clock::time_point date,
                                          std::chrono::system_clock::time_point relativeTo) {
    @autoreleasepool {
        NSRelativeDateTimeFormatter* formatter = [[NSRelativeDateTimeFormatter alloc] init];
        return macos::toStdString([formatter localizedStringForDate:toNSDate(date)
                                                     relativeToDate:toNSDate(relativeTo)]);
    }
}

} // namespace sonifix
