#include "restart/CoreAudioRestarter.h"

#include <cstdlib>

// The lookup's output is whatever pgrep printed. Only its first line counts, and a line yields a
// process ID only when it is made of a sign and digits.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    const auto pid = sonifix::CoreAudioRestarter::processID(output);

    const auto start = output.find_first_not_of('\n');
    const auto line = start == std::string_view::npos
                          ? std::string_view()
                          : output.substr(start, output.find('\n', start) - start);
    if (!line.empty() &&
        sonifix::CoreAudioRestarter::processID(std::string(line) + "\n\n1\n") != pid) {
        std::abort(); // something after the first line changed the answer
    }
    if (pid && line.find_first_not_of("+-0123456789") != std::string_view::npos) {
        std::abort();
    }
    return 0;
}
