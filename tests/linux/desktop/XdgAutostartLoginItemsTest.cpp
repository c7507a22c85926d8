#include "platform/linux/XdgAutostartLoginItems.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace sonifix {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

TEST(Autostart, RegisteringWritesAWholeEntryOnlyItsOwnOffSwitchesTurnItOffRefusalsInTheirWords) {
    const QTemporaryDir folder;
    const fs::path home = folder.path().toStdString();
    const auto directory = home / ".config" / "autostart"; // not there yet
    const auto entry = directory / "sonifix.desktop";
    // Any path survives the desktop's quoting, a line break included.
    XdgAutostartLoginItems items(directory, "/home/ann/My Apps/a\"b/$HOME/`x`/100%/c\\d/new\nline");
    EXPECT_EQ(items.status(), LoginItems::notRegistered);

    EXPECT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItems::enabled);
    EXPECT_EQ(read(entry),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Sonifix\n"
              R"(Exec="/home/ann/My Apps/a\\"b/\\$HOME/\\`x\\`/100%%/c\\\\d/new\nline")"
              "\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    // Registering again is harmless and leaves no scratch file beside the entry.
    EXPECT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);

    EXPECT_EQ(items.unregisterApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItems::notRegistered);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(items.unregisterApp(), std::nullopt);

    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nExec=sonifix\nHidden = true\n";
    EXPECT_EQ(items.status(), LoginItems::notRegistered);
    EXPECT_EQ(items.registerApp(), std::nullopt); // the desktop's "off" gives way to ours
    EXPECT_EQ(items.status(), LoginItems::enabled);
    EXPECT_EQ(read(entry).find("Hidden"), std::string::npos);

    // GNOME's startup settings switch an entry off with their own key.
    std::ofstream(entry)
        << "[Desktop Entry]\nType=Application\nExec=sonifix\nX-GNOME-Autostart-enabled=false\n";
    EXPECT_EQ(items.status(), LoginItems::notRegistered);
    EXPECT_EQ(items.registerApp(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItems::enabled);

    // The user's own entry, with another command and a hidden action, still starts the app.
    std::ofstream(entry)
        << "[Desktop Entry]\nType=Application\nExec=env LANG=de_DE.UTF-8 sonifix\n"
           "Hidden=false\nX-GNOME-Autostart-enabled=true\n"
           "[Desktop Action quiet]\nHidden=true\nX-GNOME-Autostart-enabled=false\n";
    EXPECT_EQ(items.status(), LoginItems::enabled);

    // The system's refusal is passed on in its words. Permissions do not stop root, so the folder
    // is made impossible instead: it would have to live inside a regular file.
    std::ofstream(home / "file") << "";
    XdgAutostartLoginItems impossible(home / "file" / "autostart", "/usr/bin/sonifix");
    const auto refused = impossible.registerApp();
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->find("Not a directory"), std::string::npos) << *refused;
    EXPECT_EQ(impossible.status(), LoginItems::notRegistered);

    // Something that is not an entry in the entry's place cannot be removed as one.
    fs::create_directories(home / "sonifix.desktop" / "inside");
    XdgAutostartLoginItems blocked(home, "/usr/bin/sonifix");
    EXPECT_EQ(blocked.status(), LoginItems::notRegistered);
    const auto kept = blocked.unregisterApp();
    ASSERT_TRUE(kept);
    EXPECT_NE(kept->find("Is a directory"), std::string::npos) << *kept;
}

} // namespace
} // namespace sonifix
