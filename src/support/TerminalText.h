#pragma once

#include <string>
#include <string_view>

namespace sonifix {

// Text from others made safe to print to a terminal: a control character there can move the
// cursor, retitle the window or clear the screen. Line feeds, which lay out our own output,
// stay; the text becomes well-formed UTF-8 and every other C0 or C1 control character and DEL
// becomes U+FFFD.
class TerminalText {
public:
    static std::string shown(std::string_view text);
};

} // namespace sonifix
