// A start of the client as far as its folders go, for the tests of the start-up tidy and of the
// single-instance claim: the claim with the runtime folder given (and the lock folder and the
// fallback folder of the lock, when given),
// then the tidy, as main() does them. It writes its role and whether it removed the leftovers on
// one line ("primary removed", "primary kept"; "forwarded", "busy", "unavailable" when it ends at
// once, as the client does), then works on, holding the folders, until its standard input closes.
#include "Class/AppShell/KXLeftovers.h"
#include "Class/AppShell/KXSingleInstance.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4)
        return 2;
    QCoreApplication app(argc, argv);
    const QString runtimeFolder = QString::fromLocal8Bit(argv[1]);
    KXSingleInstance instance(runtimeFolder,
        argc >= 3 ? QString::fromLocal8Bit(argv[2]) : KXSingleInstance::defaultLockFolder(),
        argc >= 4 ? QString::fromLocal8Bit(argv[3]) : KXSingleInstance::defaultFallbackFolder());
    const auto role = instance.claim(KXSingleInstance::Message {}, 1000);
    // Ends, or runs on, as the client's main() does.
    if (const auto status = instance.endOfStart()) {
        std::puts(role == KXSingleInstance::Role::Forwarded ? "forwarded"
                : role == KXSingleInstance::Role::Busy      ? "busy"
                                                            : "unavailable");
        return *status;
    }
    const bool removed = KXLeftovers::tidyAtStartup();
    std::printf("primary %s\n", removed ? "removed" : "kept");
    std::fflush(stdout);
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) { }
    return 0;
}
