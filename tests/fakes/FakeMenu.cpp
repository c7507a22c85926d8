#include "FakeMenu.h"

#include <gtest/gtest.h>

namespace sonifix::testing {

bool FakeMenu::open() {
    const auto current = delegate.lock();
    if (!current) {
        return false;
    }
    current->menuNeedsUpdate();
    return true;
}

void FakeMenu::choose(const std::string& title) {
    const auto current = delegate.lock();
    ASSERT_TRUE(current) << "the menu has no delegate";
    current->menuNeedsUpdate();
    const auto* item = find(title);
    ASSERT_TRUE(item) << "no menu item " << title;
    ASSERT_TRUE(item->enabled) << "menu item " << title << " is disabled";
    const auto chosen = *item;
    current->perform(chosen);
}

std::vector<std::string> FakeMenu::titles() const {
    std::vector<std::string> result;
    for (const auto& item : items) {
        result.push_back(item.separator ? "---" : item.title);
    }
    return result;
}

const MenuItem* FakeMenu::find(const std::string& title) const {
    for (const auto& item : items) {
        if (!item.separator && item.title == title) {
            return &item;
        }
    }
    return nullptr;
}

} // namespace sonifix::testing
