#include "Class/AppShell/KXSingleInstance.h"

#include "Class/AppShell/KXIncomingLinks.h"
#include "ScopedLinkLog.h"
#include "Support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

QString scratchFolder()
{
    return QString::fromStdString((testsupport::makeScratchDir("instance") / "corvane-fonts").string());
}

// A later start runs in its own thread, as it would in its own process, while this thread serves.
KXSingleInstance::Role claimFromAnotherStart(const QString& folder, const KXSingleInstance::Message& message)
{
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    std::thread later([&] {
        KXSingleInstance instance(folder);
        role = instance.claim(message, 5000);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    QCoreApplication::processEvents();
    return role;
}

using shelltest::ScopedLinkLog;

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// Sends `bytes` to the instance as another program might, and serves until the instance closes
// the connection or a few seconds pass. True when it closed it.
bool closedAfterSending(const QString& socketPath, const QByteArray& bytes)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(bytes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (socket.state() != QLocalSocket::UnconnectedState && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return socket.state() == QLocalSocket::UnconnectedState;
}

} // namespace

// A frame that announces ten megabytes is refused as its length arrives: the instance does not
// wait for the rest, nor keep what came.
TEST(KXSingleInstance, AnOversizedFrameIsRefusedBeforeItIsRead)
{
    const QString folder = scratchFolder();
    KXSingleInstance first(folder);
    int received = 0;
    first.setMessageHandler([&](const KXSingleInstance::Message&) { ++received; });
    ASSERT_EQ(first.claim(KXSingleInstance::Message{}), KXSingleInstance::Role::Primary);
    ScopedLinkLog logged;

    EXPECT_TRUE(closedAfterSending(first.socketPath(), bigEndian(10 * 1024 * 1024) + QByteArray(64 * 1024, 'x')));
    EXPECT_EQ(received, 0);
    ASSERT_EQ(logged.lines().size(), 1u);
    EXPECT_NE(logged.lines()[0].find("10485760"), std::string::npos) << logged.lines()[0];

    // The instance still takes a message.
    const KXSingleInstance::Message message{{QStringLiteral("corvane://font/7")}, QString(), QString()};
    EXPECT_EQ(claimFromAnotherStart(folder, message), KXSingleInstance::Role::Forwarded);
    EXPECT_EQ(received, 1);
}

// A later start hands over its "corvane:" links and nothing else, no more than the first instance
// takes, so its message is never refused: even one with many links of the longest kind.
TEST(KXSingleInstance, ALaterStartHandsOverOnlyWhatTheFirstTakes)
{
    const QString longest = QStringLiteral("corvane://f/") + QString(KXIncomingLinks::kMaxLinkLength - 12, QLatin1Char('a'));
    QStringList arguments{QStringLiteral("corvane-fonts"), QStringLiteral("--verbose"), QStringLiteral("/home/someone/notes.txt"),
                          QStringLiteral("corvane://font/1"), longest + QLatin1Char('a'), QStringLiteral("CORVANE://font/2")};
    for (int index = 0; index < 8; ++index)
        arguments.append(longest);
    qputenv("XDG_ACTIVATION_TOKEN", QByteArray(1025, 't'));
    qputenv("DESKTOP_STARTUP_ID", "startup-3");
    ScopedLinkLog logged;
    const auto message = KXSingleInstance::currentMessage(arguments);
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    ASSERT_GE(message.arguments.size(), 3);
    EXPECT_EQ(message.arguments.mid(0, 2), (QStringList{QStringLiteral("corvane://font/1"), QStringLiteral("CORVANE://font/2")}));
    for (const QString& link : message.arguments.mid(2))
        EXPECT_EQ(link, longest);
    EXPECT_TRUE(message.activationToken.isEmpty());
    EXPECT_EQ(message.startupId, QStringLiteral("startup-3"));
    EXPECT_FALSE(logged.lines().empty());

    const QString folder = scratchFolder();
    KXSingleInstance first(folder);
    std::vector<KXSingleInstance::Message> received;
    first.setMessageHandler([&](const KXSingleInstance::Message& handed) { received.push_back(handed); });
    ASSERT_EQ(first.claim(KXSingleInstance::Message{}), KXSingleInstance::Role::Primary);
    EXPECT_EQ(claimFromAnotherStart(folder, message), KXSingleInstance::Role::Forwarded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], message);
}

TEST(KXSingleInstance, ALaterStartHandsOverItsArgumentsAndEnds)
{
    const QString folder = scratchFolder();
    KXSingleInstance first(folder);
    std::vector<KXSingleInstance::Message> received;
    first.setMessageHandler([&](const KXSingleInstance::Message& message) { received.push_back(message); });
    ASSERT_EQ(first.claim(KXSingleInstance::Message{}), KXSingleInstance::Role::Primary);

    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    const KXSingleInstance::Message message{{QStringLiteral("corvane://collection/12?from=mail")},
                                            QStringLiteral("activation-token-1"), QString()};
    EXPECT_EQ(claimFromAnotherStart(folder, message), KXSingleInstance::Role::Forwarded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], message);

    EXPECT_EQ(claimFromAnotherStart(folder, KXSingleInstance::Message{}), KXSingleInstance::Role::Forwarded);
    EXPECT_EQ(received.size(), 2u);
}

TEST(KXSingleInstance, ADeadInstanceLeavesNothingThatBlocks)
{
    const QString folder = scratchFolder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The lock of a process that is gone, and its socket file.
    {
        QFile lock(QDir(folder).filePath("instance.lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write("999999\ncorvane-fonts\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    {
        QFile socket(QDir(folder).filePath("instance.socket"));
        ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    }
    KXSingleInstance instance(folder);
    EXPECT_EQ(instance.claim(KXSingleInstance::Message{}, 500), KXSingleInstance::Role::Primary);
}

TEST(KXSingleInstance, CurrentMessageCarriesTheActivationVariables)
{
    qputenv("XDG_ACTIVATION_TOKEN", "token-9");
    qputenv("DESKTOP_STARTUP_ID", "startup-3");
    const auto message = KXSingleInstance::currentMessage({QStringLiteral("corvane-fonts"), QStringLiteral("corvane://x")});
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    EXPECT_EQ(message.arguments, QStringList{QStringLiteral("corvane://x")});
    EXPECT_EQ(message.activationToken, QStringLiteral("token-9"));
    EXPECT_EQ(message.startupId, QStringLiteral("startup-3"));
}

// Two starts at one instant: the loser of the lock looks for the socket before the winner listens
// on it. It looks again for a while, and hands its message over once the winner listens.
TEST(KXSingleInstance, ALaterStartWaitsForTheWinnerThatDoesNotListenYet)
{
    const QString folder = scratchFolder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto winnersLock = std::make_unique<QLockFile>(QDir(folder).filePath("instance.lock"));
    ASSERT_TRUE(winnersLock->tryLock(0)); // the winner has its lock, and no socket yet

    std::atomic<int> looks = 0;
    std::atomic<bool> winnerListens = false;
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    const KXSingleInstance::Message message{{QStringLiteral("corvane://font/7")}, QString(), QString()};
    std::thread later([&] {
        KXSingleInstance instance(folder);
        // Held here until the winner listens, so the first look surely came too early.
        instance.setRetryPause([&] {
            ++looks;
            while (!winnerListens)
                std::this_thread::yield();
        });
        role = instance.claim(message, 5000);
        done = true;
    });
    while (looks == 0 && !done)
        std::this_thread::yield();
    EXPECT_EQ(looks, 1) << "the later start gave up at its first look";

    KXSingleInstance winner(folder);
    std::vector<KXSingleInstance::Message> received;
    winner.setMessageHandler([&](const KXSingleInstance::Message& handed) { received.push_back(handed); });
    winnersLock.reset();
    EXPECT_EQ(winner.claim(KXSingleInstance::Message{}), KXSingleInstance::Role::Primary);
    winnerListens = true;
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    later.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(role, KXSingleInstance::Role::Forwarded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], message);
}

namespace {

constexpr quint32 kInstanceMagic = 0x4b58534e;

// A text as a frame carries it: its length in bytes, then UTF-16 big-endian.
QByteArray framedText(const QString& text)
{
    QByteArray bytes = bigEndian(quint32(text.size() * 2));
    for (const QChar c : text)
        bytes += bigEndian(c.unicode()).right(2);
    return bytes;
}

// How much address space this process has mapped now (VmSize).
rlim_t mappedBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').first().toULongLong()) * 1024;
    return 0;
}

// While it lives the process may map at most `headroom` bytes more than it holds now, so a large
// reservation fails (ENOMEM) on any machine instead of being granted and never touched.
class ScopedAddressSpaceLimit {
public:
    explicit ScopedAddressSpaceLimit(rlim_t headroom)
    {
        ::getrlimit(RLIMIT_AS, &previous_);
        const rlim_t mapped = mappedBytes();
        rlimit limited = previous_;
        if (mapped > 0 && (previous_.rlim_cur == RLIM_INFINITY || mapped + headroom < previous_.rlim_cur))
            limited.rlim_cur = mapped + headroom;
        active_ = ::setrlimit(RLIMIT_AS, &limited) == 0 && limited.rlim_cur != previous_.rlim_cur;
    }
    ~ScopedAddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &previous_); }
    bool active() const { return active_; }

private:
    rlimit previous_ {};
    bool active_ = false;
};

} // namespace

// What a frame says is read only as far as its bytes go: a count or a length past them refuses the
// frame; counts and texts that fit are read whole.
TEST(KXSingleInstance, AFrameIsReadOnlyAsFarAsItsBytesGo)
{
    const KXSingleInstance::Message message{{QStringLiteral("corvane://font/1"), QString(), QStringLiteral("corvane://字体/2")},
                                            QStringLiteral("token"), QString()};
    const QByteArray framed = KXSingleInstance::encodeFrame(message);
    EXPECT_EQ(KXSingleInstance::decodeFrame(framed.mid(4)), message);

    const QByteArray head = bigEndian(kInstanceMagic);
    const QByteArray none = bigEndian(0xFFFFFFFF); // a null text
    // Three empty arguments and two null permits fill the frame exactly.
    const auto filled = KXSingleInstance::decodeFrame(head + bigEndian(3) + framedText({}) + framedText({}) + framedText({}) + none + none);
    ASSERT_TRUE(filled);
    EXPECT_EQ(filled->arguments.size(), 3);

    const std::vector<std::pair<const char*, QByteArray>> refused{
        {"no magic", bigEndian(0x12345678) + bigEndian(0) + none + none},
        {"the count alone", head + bigEndian(0xFFFFFFFF)},
        {"a count one past the bytes", head + bigEndian(4) + framedText({}) + framedText({}) + framedText({}) + none + none},
        {"a length past the end", head + bigEndian(1) + bigEndian(64) + framedText(QStringLiteral("short")) + none + none},
        {"a permit past the end", head + bigEndian(0) + none + bigEndian(0x7FFFFFFE)},
        {"an odd length", head + bigEndian(1) + bigEndian(3) + QByteArray("abcd") + none + none},
        {"no permits", head + bigEndian(1) + framedText(QStringLiteral("corvane://x"))},
    };
    for (const auto& [what, bytes] : refused)
        EXPECT_FALSE(KXSingleInstance::decodeFrame(bytes)) << what;
}

// Twelve bytes claiming four thousand million texts: nothing is set aside for them (the process
// may not map even a gigabyte more here), and the instance refuses the frame and goes on.
TEST(KXSingleInstance, AHugeCountInASmallFrameReservesNothing)
{
    const QByteArray body = bigEndian(kInstanceMagic) + bigEndian(0xFFFFFFFF);
    {
        ScopedAddressSpaceLimit limit(rlim_t{1} << 30);
        ASSERT_TRUE(limit.active());
        errno = 0;
        const auto decoded = KXSingleInstance::decodeFrame(body);
        const int reservation = errno;
        EXPECT_FALSE(decoded);
        EXPECT_NE(reservation, ENOMEM) << "a reservation for the claimed texts was asked for";
    }

    const QString folder = scratchFolder();
    KXSingleInstance first(folder);
    int received = 0;
    first.setMessageHandler([&](const KXSingleInstance::Message&) { ++received; });
    ASSERT_EQ(first.claim(KXSingleInstance::Message{}), KXSingleInstance::Role::Primary);
    ScopedLinkLog logged;
    EXPECT_TRUE(closedAfterSending(first.socketPath(), bigEndian(quint32(body.size())) + body));
    EXPECT_EQ(received, 0);
    EXPECT_EQ(logged.lines(), std::vector<std::string>{"message refused: not one of this program's"});
    EXPECT_EQ(claimFromAnotherStart(folder, KXSingleInstance::Message{{QStringLiteral("corvane://font/7")}, {}, {}}),
              KXSingleInstance::Role::Forwarded);
    EXPECT_EQ(received, 1);
}
