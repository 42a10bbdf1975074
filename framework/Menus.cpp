#include "framework/Menus.h"

#include "framework/Exceptions.h"

#include <algorithm>

namespace framework {

void MenuItem::Append(const MenuItemPtr& item)
{
    Require(item);
    mChildren.push_back(item);
}

MenuItemPtr MenuItem::Child(const String& name) const
{
    const auto found = std::find_if(mChildren.begin(), mChildren.end(),
                                    [&](const auto& child) { return child->Name() == name; });
    return found == mChildren.end() ? nullptr : *found;
}

} // namespace framework
