// A start of the client as far as its folders go, for the tests of the start-up tidy: the
// single-instance claim in the runtime folder given, then the tidy, as main() does them. It writes
// its role and whether it removed the leftovers on one line ("primary removed", "unavailable
// kept", "forwarded"), then works on, holding the folders, until its standard input closes.
#include "Class/AppShell/KXLeftovers.h"
#include "Class/AppShell/KXSingleInstance.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    QCoreApplication app(argc, argv);
    KXSingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const auto role = instance.claim(KXSingleInstance::Message {}, 1000);
    if (role == KXSingleInstance::Role::Forwarded) {
        std::puts("forwarded");
        return 0;
    }
    const bool removed = KXLeftovers::tidyAtStartup();
    std::printf("%s %s\n", role == KXSingleInstance::Role::Primary ? "primary" : "unavailable",
        removed ? "removed" : "kept");
    std::fflush(stdout);
    char byte = 0;
    while (::read(STDIN_FILENO, &byte, 1) > 0) { }
    return 0;
}
