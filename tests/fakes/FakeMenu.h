#pragma once

#include "platform/Menu.h"

#include <stdexcept>

namespace sonifix::testing {

// Opens and chooses as a person would: the delegate fills the menu, an item is read or chosen,
// and the menu closes, before the chosen item acts. An item that is not there, or not enabled
// when chosen, throws.
class FakeMenu final : public Menu {
public:
    void setDelegate(std::weak_ptr<MenuDelegate> newDelegate) override { delegate = newDelegate; }
    void replaceItems(const std::vector<MenuItem>& newItems) override { items = newItems; }

    // Opens the menu and leaves it open; answers whether anyone filled it.
    bool open() {
        const auto current = delegate.lock();
        if (current) {
            current->menuNeedsUpdate();
        }
        return current != nullptr;
    }
    void close() {
        if (const auto current = delegate.lock()) {
            current->menuDidClose();
        }
    }
    // The titles as the menu opens now, "---" for a separator.
    std::vector<std::string> titles() {
        open();
        std::vector<std::string> result;
        for (const auto& item : items) {
            result.push_back(item.separator ? "---" : item.title);
        }
        close();
        return result;
    }
    MenuItem item(const std::string& title) {
        open();
        close();
        for (const auto& each : items) {
            if (!each.separator && each.title == title) {
                return each;
            }
        }
        throw std::logic_error("no menu item " + title);
    }
    void choose(const std::string& title) {
        const auto chosen = item(title);
        const auto current = delegate.lock();
        if (!current || !chosen.enabled) {
            throw std::logic_error("no enabled menu item " + title);
        }
        current->perform(chosen);
    }

private:
    std::weak_ptr<MenuDelegate> delegate;
    std::vector<MenuItem> items;
};

} // namespace sonifix::testing
