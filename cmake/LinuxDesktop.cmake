# The Linux desktop's services: the global shortcut on X11, MPRIS players, logind's wake,
# XDG autostart and ICU's relative dates.
find_package(Qt6 REQUIRED COMPONENTS Core Gui DBus)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SONIFIX_XCB REQUIRED IMPORTED_TARGET xcb xcb-keysyms)
pkg_check_modules(SONIFIX_ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)

add_library(sonifix_linux_desktop STATIC
    src/platform/linux/DBusInstanceService.cpp
    src/platform/linux/DBusNotifications.cpp
    src/platform/linux/DBusSingleInstance.cpp
    src/platform/linux/IcuRelativeTimeFormatter.cpp
    src/platform/linux/LogindSleepWatcher.cpp
    src/platform/linux/MprisMediaPlayerHost.cpp
    src/platform/linux/PortalHotKeys.cpp
    src/platform/linux/X11HotKeys.cpp
    src/platform/linux/XdgAutostartLoginItems.cpp
)
set_target_properties(sonifix_linux_desktop PROPERTIES AUTOMOC ON)
target_include_directories(sonifix_linux_desktop PUBLIC src)
target_link_libraries(sonifix_linux_desktop
    PUBLIC Qt6::Core Qt6::DBus
    PRIVATE sonifix_warnings sonifix_posix Qt6::Gui PkgConfig::SONIFIX_XCB PkgConfig::SONIFIX_ICU)
