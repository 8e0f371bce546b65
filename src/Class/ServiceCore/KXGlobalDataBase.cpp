#include "Class/ServiceCore/KXGlobalDataBase.h"

KXGlobalDataBase& KXGlobalDataBase::sharedKXGlobalDataBase()
{
    static KXGlobalDataBase instance;
    return instance;
}
