#include "restart/CoreAudioRestarter.h"

#include <cstdint>
#include <cstdlib>

// Any command line comes back unchanged from the script's literal, so the shell runs exactly it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view prefix = "do shell script \"";
    const std::string commandLine(reinterpret_cast<const char*>(data), size);
    const auto script = sonifix::CoreAudioRestarter::adminScript(commandLine);
    if (!script.starts_with(prefix)) {
        std::abort();
    }
    // Read back as AppleScript reads a string literal: a backslash takes the next character as it
    // is, and the first quote that none escapes ends the literal.
    std::string text;
    auto i = prefix.size();
    for (; i < script.size() && script[i] != '"'; ++i) {
        if (script[i] == '\\' && ++i == script.size()) {
            break;
        }
        text += script[i];
    }
    if (text != commandLine || script.substr(i) != "\" with administrator privileges") {
        std::abort();
    }
    return 0;
}
