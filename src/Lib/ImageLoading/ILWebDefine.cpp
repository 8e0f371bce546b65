#include "Lib/ImageLoading/ILWebDefine.h"

#include "Platform/Dispatch/Queue.h"
#include "Platform/Foundation/Error.h"

foundation::Ref<foundation::Error> ILWebMakeError(ILWebErrorCode code, std::string_view description)
{
    if (description.empty())
        return foundation::Error::errorWithDomain(ILWebErrorDomain, code);
    return foundation::Error::create(ILWebErrorDomain, code, description);
}

bool ILWebErrorIs(const foundation::Ref<foundation::Error>& error, ILWebErrorCode code)
{
    return error && error->code() == code && error->domain() == ILWebErrorDomain;
}

void ILDispatchMainAsyncSafe(std::function<void()> block)
{
    if (!block)
        return;
    if (dispatch::mainQueue().isCurrent())
        block();
    else
        dispatch::mainQueue().async(std::move(block));
}
