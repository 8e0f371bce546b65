#include "Class/ServiceCore/Transport/KXGlobalDataBase.h"

KXGlobalDataBase& KXGlobalDataBase::sharedKXGlobalDataBase()
{
    static KXGlobalDataBase instance;
    return instance;
}
