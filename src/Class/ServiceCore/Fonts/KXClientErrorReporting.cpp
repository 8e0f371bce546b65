#include "Class/ServiceCore/Fonts/KXClientErrorReporting.h"

#include "Class/ServiceCore/Fonts/KXFontsCore.h"
#include "Class/ServiceCore/Transport/KXHTTPBUSINESS.h"
#include "Platform/Dispatch/Queue.h"

using foundation::Id;
using foundation::Ref;
using foundation::String;

void KXInstallClientErrorReporter()
{
    KXFontsCore::setClientErrorReporter(
        [](const Ref<String>& clientName, const Ref<String>& clientVersion, const Ref<String>& platform, const Ref<String>& errorInfo) {
            // Requests start on the main thread; nobody waits for the answer.
            dispatch::mainQueue().async([clientName, clientVersion, platform, errorInfo] {
                KXHTTPBUSINESS().upLoadActivationErrorWithClientName(Id(clientName), Id(clientVersion), Id(platform), Id(errorInfo), nullptr,
                                                                     nullptr);
            });
        });
}
