#pragma once

#include "platform/MediaPlayerHost.h"

namespace sonifix {

// Asks NSRunningApplication whether a player runs and talks to it with the core's AppleScript.
class AppleScriptMediaPlayers final : public MediaPlayerHost {
public:
    bool isRunning(const MediaPlayer& player) override;
    std::optional<std::string> playerState(const MediaPlayer& player,
                                           const std::string& script) override;
    void resume(const MediaPlayer& player, const std::string& script) override;
    int automationPermission(const MediaPlayer& player, bool askUser) override;
};

} // namespace sonifix
