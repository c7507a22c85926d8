#include "TerminalText.h"

#include "Utf8.h"

namespace sonifix {

std::string TerminalText::shown(std::string_view text) {
    static constexpr std::string_view replacement = "\uFFFD";
    const auto repaired = utf8::repaired(text);
    std::string result;
    result.reserve(repaired.size());
    for (std::size_t i = 0; i < repaired.size(); ++i) {
        const auto byte = static_cast<unsigned char>(repaired[i]);
        // C1 controls, U+0080 to U+009F, are C2 80 to C2 9F in well-formed UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < repaired.size() &&
                        static_cast<unsigned char>(repaired[i + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F || c1) {
            result += replacement;
            i += c1 ? 1 : 0;
        } else {
            result += char(byte);
        }
    }
    return result;
}

} // namespace sonifix
