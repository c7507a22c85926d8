#include "DefaultDeviceRestorer.h"

#include "support/TaskCancelled.h"

#include <array>

namespace sonifix {

std::optional<DefaultDeviceRestorer::Chosen> DefaultDeviceRestorer::chosen(bool input) {
    const auto device = devices.defaultDevice(input);
    if (!device) {
        return std::nullopt;
    }
    auto uid = devices.uid(device->id);
    if (!uid || uid->empty()) {
        return std::nullopt;
    }
    return Chosen{.uid = std::move(*uid), .name = device->name};
}

DefaultDeviceRestorer::Defaults DefaultDeviceRestorer::remember() {
    return {.output = chosen(false), .input = chosen(true)};
}

std::optional<AudioObjectID> DefaultDeviceRestorer::find(const std::string& uid) {
    for (const auto id : devices.allDeviceIDs()) {
        if (devices.uid(id) == uid) {
            return id;
        }
    }
    return std::nullopt;
}

bool DefaultDeviceRestorer::makeDefault(const Chosen& device, bool input) {
    const auto id = find(device.uid);
    if (!id) {
        return false;
    }
    const auto current = devices.defaultDevice(input);
    if (current && current->id == *id) {
        return true;
    }
    // Checked again on the next round: the daemon may still be choosing a default of its own.
    devices.setDefaultDevice(input, *id);
    const auto now = devices.defaultDevice(input);
    return now && now->id == *id;
}

std::vector<std::string> DefaultDeviceRestorer::restore(const Defaults& remembered,
                                                        const StopToken& stop) {
    const std::array<const std::optional<Chosen>*, 2> order{&remembered.output, &remembered.input};
    std::array<bool, 2> done{!remembered.output, !remembered.input};
    const auto deadline = clock.steadyNow() + returnWait;
    while (true) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            done[i] = done[i] || makeDefault(**order[i], i == 1);
        }
        if ((done[0] && done[1]) || clock.steadyNow() >= deadline) {
            break;
        }
        if (!sleeper.sleep(pollInterval, stop)) {
            throw TaskCancelled();
        }
    }
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // A headset that is both output and input is named once.
        if (!done[i] && (missing.empty() || missing.back() != (*order[i])->name)) {
            missing.push_back((*order[i])->name);
        }
    }
    return missing;
}

} // namespace sonifix
