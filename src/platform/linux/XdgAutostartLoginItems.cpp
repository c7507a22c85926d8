#include "XdgAutostartLoginItems.h"

#include "platform/posix/PosixFileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace sonifix {

namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Whether the entry's own group switches it off: Hidden=true, or GNOME's startup settings'
// X-GNOME-Autostart-enabled=false. Keys of other groups (desktop actions) are not the entry's.
bool isSwitchedOff(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos) {
            continue;
        }
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return true;
        }
    }
    return false;
}

} // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(std::string autostartDirectory,
                                               std::string executablePath)
    : directory(std::move(autostartDirectory)), entryPath(directory + "/sonifix.desktop"),
      executablePath(std::move(executablePath)) {}

std::string XdgAutostartLoginItems::userAutostartDirectory() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative path here.
    if (configHome && configHome[0] == '/') {
        return std::string(configHome) + "/autostart";
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/autostart";
}

std::string XdgAutostartLoginItems::execValue(const std::string& path) {
    // Inside double quotes a desktop takes ", `, $ and \ literally only when escaped by a
    // backslash, and every % is a field code unless doubled.
    std::string argument = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            argument += '\\';
        }
        argument += c;
        if (c == '%') {
            argument += '%';
        }
    }
    argument += '"';
    // The value as a whole is a string, whose own escapes are undone before the quoting is
    // read: backslashes double again, and control characters cannot stand in a line.
    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

int XdgAutostartLoginItems::status() {
    std::error_code error;
    if (!std::filesystem::is_regular_file(entryPath, error) || isSwitchedOff(entryPath)) {
        return notRegistered;
    }
    return enabled;
}

std::optional<std::string> XdgAutostartLoginItems::registerApp() {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        return "Couldn’t create “" + directory + "”: " + std::strerror(error.value()) + ".";
    }
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Sonifix\n"
                              "Exec=" +
                              execValue(executablePath) +
                              "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    // Written whole or not at all, so a desktop never starts from half an entry. An entry hidden
    // or switched off by the desktop's own settings is replaced by this one.
    return PosixFileSystem().writeAtomically(entryPath, entry);
}

std::optional<std::string> XdgAutostartLoginItems::unregisterApp() {
    if (::unlink(entryPath.c_str()) != 0) {
        const int error = errno;
        if (error != ENOENT) {
            return "Couldn’t remove “" + entryPath + "”: " + std::strerror(error) + ".";
        }
    }
    return std::nullopt;
}

} // namespace sonifix
