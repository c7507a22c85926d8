#pragma once

#include "EventLog.h"
#include "platform/MediaPlayerHost.h"

#include <map>
#include <set>

namespace sonifix::testing {

// Players that run or not, answer a state or fail; every script sent is kept.
class FakeMediaPlayerHost final : public MediaPlayerHost {
public:
    explicit FakeMediaPlayerHost(EventLog& log) : log(log) {}

    bool isRunning(const MediaPlayer& player) override {
        return running.contains(player.bundleIdentifier);
    }
    std::optional<std::string> playerState(const MediaPlayer& player,
                                           const std::string& script) override {
        scripts.push_back(script);
        const auto found = states.find(player.name);
        return found == states.end() ? std::nullopt : found->second;
    }
    void resume(const MediaPlayer& player, const std::string& script) override {
        scripts.push_back(script);
        log.push_back("resume " + player.name);
    }
    int automationPermission(const MediaPlayer& player, bool askUser) override {
        auto& permission = permissions[player.name];
        if (askUser && permission == automationUnasked) {
            log.push_back("ask to script " + player.name);
            permission = answer;
        }
        return permission;
    }

    std::set<std::string> running;                            // bundle identifiers
    std::map<std::string, std::optional<std::string>> states; // by name; nullopt: the script fails
    std::vector<std::string> scripts;
    std::map<std::string, int> permissions; // by name; allowed unless set
    int answer = automationAllowed;         // the user's answer when the system asks

private:
    EventLog& log;
};

} // namespace sonifix::testing
