#include "framework/Menus.h"

#include "framework/Exceptions.h"

namespace framework {

void MenuItem::Append(const MenuItemPtr& item)
{
    Require(item);
    mChildren.push_back(item);
}

MenuItemPtr MenuItem::Child(const String& name) const
{
    for (const auto& child : mChildren) {
        if (child->Name() == name) {
            return child;
        }
    }
    return nullptr;
}

} // namespace framework
