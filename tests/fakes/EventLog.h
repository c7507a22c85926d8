#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace sonifix::testing {

// What the user would have seen, in order, across the fakes that show things.
class EventLog {
public:
    void add(std::string event) {
        const std::lock_guard lock(mutex);
        events.push_back(std::move(event));
    }
    std::vector<std::string> all() const {
        const std::lock_guard lock(mutex);
        return events;
    }
    void clear() {
        const std::lock_guard lock(mutex);
        events.clear();
    }

private:
    mutable std::mutex mutex;
    std::vector<std::string> events;
};

} // namespace sonifix::testing
