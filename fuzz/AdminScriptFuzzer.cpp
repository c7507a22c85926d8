#include "restart/CoreAudioRestarter.h"

#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

constexpr std::string_view prefix = "do shell script \"";
constexpr std::string_view suffix = "\" with administrator privileges";

// Reads an AppleScript string literal's body back as AppleScript does: a backslash takes the
// next character as it is, and an unescaped double quote would end the literal early.
std::optional<std::string> unescaped(std::string_view body) {
    std::string text;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == '"') {
            return std::nullopt;
        }
        if (body[i] == '\\') {
            if (++i == body.size()) {
                return std::nullopt;
            }
        }
        text += body[i];
    }
    return text;
}

} // namespace

// Any command line comes back unchanged from the script's literal, so the shell runs exactly it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string commandLine(reinterpret_cast<const char*>(data), size);
    const auto made = sonifix::CoreAudioRestarter::adminScript(commandLine);
    const std::string_view script = made;
    if (!script.starts_with(prefix) || !script.ends_with(suffix) ||
        script.size() < prefix.size() + suffix.size()) {
        std::abort();
    }
    const auto body = script.substr(prefix.size(), script.size() - prefix.size() - suffix.size());
    if (unescaped(body) != commandLine) {
        std::abort();
    }
    return 0;
}
