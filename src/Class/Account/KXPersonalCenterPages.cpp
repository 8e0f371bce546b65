#include "Class/Account/KXPersonalCenterPages.h"

#include <map>

namespace {

std::map<KXPersonalCenterPages::Page, KXPersonalCenterPages::Creator>& creators()
{
    static std::map<KXPersonalCenterPages::Page, KXPersonalCenterPages::Creator> table;
    return table;
}

} // namespace

void KXPersonalCenterPages::registerCreator(Page page, Creator creator)
{
    if (creator)
        creators()[page] = std::move(creator);
    else
        creators().erase(page);
}

QWidget* KXPersonalCenterPages::make(Page page, const foundation::Id& argument)
{
    const auto found = creators().find(page);
    return found == creators().end() ? nullptr : found->second(argument);
}
