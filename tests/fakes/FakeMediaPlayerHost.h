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

    std::set<std::string> running;                            // bundle identifiers
    std::map<std::string, std::optional<std::string>> states; // by name; nullopt: the script fails
    std::vector<std::string> scripts;

private:
    EventLog& log;
};

} // namespace sonifix::testing
