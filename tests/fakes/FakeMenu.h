#pragma once

#include "platform/Menu.h"

#include <string>
#include <vector>

namespace sonifix::testing {

// Opens and chooses as a person would: the delegate fills the menu, then an item is chosen.
class FakeMenu final : public Menu {
public:
    void setDelegate(std::weak_ptr<MenuDelegate> newDelegate) override {
        delegate = std::move(newDelegate);
    }
    void replaceItems(const std::vector<MenuItem>& newItems) override { items = newItems; }

    // Opens the menu; answers whether anyone filled it.
    bool open();
    // Opens the menu and chooses the item with this title; fails the test when there is none.
    void choose(const std::string& title);
    std::vector<std::string> titles() const;
    const MenuItem* find(const std::string& title) const;

    std::vector<MenuItem> items;

private:
    std::weak_ptr<MenuDelegate> delegate;
};

} // namespace sonifix::testing
