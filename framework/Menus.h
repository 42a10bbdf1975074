#pragma once

#include "framework/Text.h"

#include <memory>
#include <vector>

namespace framework {

class MenuItem;
using MenuItemPtr = std::shared_ptr<MenuItem>;

// A node of the menu tree: the menu bar, a menu, an item or a separator (caption "-").
class MenuItem
{
public:
    enum class Role
    {
        Plain,
        Quit,
        Preferences,
        ApplicationMenu, // belongs in the application menu where the platform has one
    };

    virtual ~MenuItem() = default;
    virtual Role ItemRole() const { return Role::Plain; }

    const String& Name() const { return mName; }
    void SetName(const String& name) { mName = name; }
    const String& Text() const { return mText; }
    void SetText(const String& text) { mText = text; }
    // "Cmd+" and the key's character, e.g. "Cmd+Q"; empty for none.
    const String& KeyboardShortcut() const { return mShortcut; }
    void SetKeyboardShortcut(const String& shortcut) { mShortcut = shortcut; }

    bool IsSeparator() const { return mText == "-"; }

    // Adds the item as the last child.
    void Append(const MenuItemPtr& item);
    // The direct child with this Name, or nothing.
    MenuItemPtr Child(const String& name) const;
    const std::vector<MenuItemPtr>& Children() const { return mChildren; }

private:
    String mName;
    String mText;
    String mShortcut;
    std::vector<MenuItemPtr> mChildren;
};

class QuitMenuItem : public MenuItem
{
public:
    Role ItemRole() const override { return Role::Quit; }
};

class PrefsMenuItem : public MenuItem
{
public:
    Role ItemRole() const override { return Role::Preferences; }
};

class AppleMenuItem : public MenuItem
{
public:
    Role ItemRole() const override { return Role::ApplicationMenu; }
};

class MenuBar : public MenuItem
{
public:
    // A line the window that holds the menus shows below them; empty for none.
    const String& Hint() const { return mHint; }
    void SetHint(const String& hint) { mHint = hint; }

private:
    String mHint;
};

} // namespace framework
