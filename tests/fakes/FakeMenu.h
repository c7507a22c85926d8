#pragma once

#include "platform/Menu.h"

#include <stdexcept>

namespace sonifix::testing {

// Opens and chooses as a person would: the delegate fills the menu, then an item is chosen.
class FakeMenu final : public Menu {
public:
    void setDelegate(std::weak_ptr<MenuDelegate> newDelegate) override { delegate = newDelegate; }
    void replaceItems(const std::vector<MenuItem>& newItems) override { items = newItems; }

    // Opens the menu; answers whether anyone filled it.
    bool open() {
        const auto current = delegate.lock();
        if (current) {
            current->menuNeedsUpdate();
        }
        return current != nullptr;
    }
    // Opens the menu and chooses the enabled item with this title; throws when there is none.
    void choose(const std::string& title) {
        const auto* item = open() ? find(title) : nullptr;
        if (!item || !item->enabled) {
            throw std::logic_error("no enabled menu item " + title);
        }
        delegate.lock()->perform(MenuItem(*item));
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> result;
        for (const auto& item : items) {
            result.push_back(item.separator ? "---" : item.title);
        }
        return result;
    }
    const MenuItem* find(const std::string& title) const {
        for (const auto& item : items) {
            if (!item.separator && item.title == title) {
                return &item;
            }
        }
        return nullptr;
    }

    std::vector<MenuItem> items;

private:
    std::weak_ptr<MenuDelegate> delegate;
};

} // namespace sonifix::testing
