#include "Class/AppShell/KXSingleInstance.h"

#include "Class/AppShell/KXIncomingLinks.h"
#include "ClientStartProcess.h"
#include "Platform/Dispatch/Clock.h"
#include "Platform/Storage/Paths.h"
#include "ScopedLinkLog.h"
#include "Support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

QString scratchFolder()
{
    return QString::fromStdString((testsupport::makeScratchDir("instance") / "corvane-fonts").string());
}

// The configuration folder of the home a test's instance runs on, beside its runtime folder.
QString lockFolderOf(const QString& runtimeFolder)
{
    return QFileInfo(runtimeFolder).dir().filePath(QStringLiteral("config"));
}

// A folder as the child processes take it.
std::filesystem::path asPath(const QString& folder)
{
    return std::filesystem::path(QFile::encodeName(folder).toStdString());
}

// A later start runs in its own thread, as it would in its own process, while this thread serves.
KXSingleInstance::Role claimFromAnotherStart(const QString& folder, const KXSingleInstance::Message& message)
{
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    std::thread later([&] {
        KXSingleInstance instance(folder, lockFolderOf(folder));
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

// The fallback folder of the lock for a test's instance, beside its runtime folder.
QString fallbackFolderOf(const QString& runtimeFolder)
{
    return QFileInfo(runtimeFolder).dir().filePath(QStringLiteral("fallback"));
}

// The refusals a start offers to the person while it lives (no message box opens meanwhile).
class OfferedRefusals {
public:
    OfferedRefusals()
        : previous_(
            KXSingleInstance::setRefusalPresenter([this](const QString& text) { texts_.append(text); }))
    {
    }
    ~OfferedRefusals() { KXSingleInstance::setRefusalPresenter(std::move(previous_)); }
    const QStringList& texts() const { return texts_; }

private:
    KXSingleInstance::RefusalPresenter previous_;
    QStringList texts_;
};

// Another process's hold on a lock file, as the kernel keeps it: a process of another program, or
// a start that has its lock and does not listen yet.
class HeldLock {
public:
    explicit HeldLock(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
    }
    ~HeldLock() { release(); }
    bool take() { return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }
    void release()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

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
    KXSingleInstance first(folder, lockFolderOf(folder));
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
    KXSingleInstance first(folder, lockFolderOf(folder));
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
    KXSingleInstance first(folder, lockFolderOf(folder));
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
    QDir().mkpath(lockFolderOf(folder));
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        KXSingleInstance instance(folder, lockFolderOf(folder));
        // The lock of a process that is gone, and its socket file.
        {
            QFile lock(instance.lockPath());
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            lock.write("999999\ncorvane-fonts\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        {
            QFile socket(instance.socketPath());
            ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(instance.claim(KXSingleInstance::Message{}, 500), KXSingleInstance::Role::Primary);
        EXPECT_TRUE(instance.refusal().isEmpty());
    }

    // A client killed outright: its lock and its listening socket stay behind. The next start
    // takes both over and serves later starts.
    {
        shelltest::ClientStartProcess killed(asPath(folder), asPath(lockFolderOf(folder)));
        ASSERT_EQ(killed.outcome(), "primary removed");
        killed.kill();
    }
    KXSingleInstance next(folder, lockFolderOf(folder));
    ASSERT_TRUE(QFile::exists(next.lockPath()));
    std::vector<KXSingleInstance::Message> received;
    next.setMessageHandler([&](const KXSingleInstance::Message& handed) { received.push_back(handed); });
    ASSERT_EQ(next.claim(KXSingleInstance::Message{}, 300), KXSingleInstance::Role::Primary);
    const KXSingleInstance::Message message{{QStringLiteral("corvane://font/3")}, {}, {}};
    EXPECT_EQ(claimFromAnotherStart(folder, message), KXSingleInstance::Role::Forwarded);
    EXPECT_EQ(received, std::vector<KXSingleInstance::Message>{message});
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
    QDir().mkpath(lockFolderOf(folder));
    HeldLock winnersLock(QDir(lockFolderOf(folder)).filePath("instance.lock"));
    ASSERT_TRUE(winnersLock.take()); // the winner has its lock, and no socket yet

    std::atomic<int> looks = 0;
    std::atomic<bool> winnerListens = false;
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    const KXSingleInstance::Message message{{QStringLiteral("corvane://font/7")}, QString(), QString()};
    std::thread later([&] {
        KXSingleInstance instance(folder, lockFolderOf(folder));
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

    KXSingleInstance winner(folder, lockFolderOf(folder));
    std::vector<KXSingleInstance::Message> received;
    winner.setMessageHandler([&](const KXSingleInstance::Message& handed) { received.push_back(handed); });
    winnersLock.release();
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
    KXSingleInstance first(folder, lockFolderOf(folder));
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

namespace {

using Role = KXSingleInstance::Role;

// Serves the instance's connections until `done`, or until a few seconds of real time bound a
// test that would otherwise hang. The last value of `done`.
bool servedUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A connection that announces a whole frame, sends `sent` bytes of it and goes quiet.
std::unique_ptr<QLocalSocket> unfinishedFrame(const QString& socketPath, int sent)
{
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(socketPath);
    if (socket->waitForConnected(2000)) {
        socket->write(bigEndian(KXSingleInstance::kMaxFrameBytes) + QByteArray(sent, 'x'));
        socket->waitForBytesWritten(2000);
    }
    return socket;
}

constexpr double kSilenceSeconds = std::chrono::duration<double>(KXSingleInstance::kSilence).count();

} // namespace

// The first instance holds the lock but answers nothing (stopped, as a main thread busy for good
// looks): a later start neither runs beside it nor waits on, and says why.
TEST(KXSingleInstance, AStartBesideAnInstanceThatDoesNotAnswerEnds)
{
    const QString folder = scratchFolder();
    shelltest::ClientStartProcess first(asPath(folder), asPath(lockFolderOf(folder)));
    ASSERT_EQ(first.outcome(), "primary removed");
    ASSERT_TRUE(first.stop());
    // Nothing is written to take the lock, so a full disk cannot keep a start from it.
    EXPECT_EQ(QFileInfo(QDir(lockFolderOf(folder)).filePath("instance.lock")).size(), 0);

    KXSingleInstance later(folder, lockFolderOf(folder));
    EXPECT_EQ(later.claim(KXSingleInstance::Message { { QStringLiteral("corvane://font/7") }, {}, {} }, 300),
        Role::Busy);
    EXPECT_EQ(later.refusal(), QStringLiteral("Corvane Fonts 已在运行，但没有响应。"));
    // Started from a menu no one reads stderr: the refusal is offered to a message box as well.
    {
        OfferedRefusals offered;
        EXPECT_EQ(later.endOfStart(), 1);
        EXPECT_EQ(offered.texts(), QStringList { later.refusal() });
    }
    // A whole start, as main() makes it, ends at once without touching the folders.
    shelltest::ClientStartProcess second(asPath(folder), asPath(lockFolderOf(folder)));
    EXPECT_EQ(second.outcome(), "busy");
    EXPECT_EQ(second.end(), 1);

    EXPECT_EQ(first.end(), 0);
    KXSingleInstance next(folder, lockFolderOf(folder));
    EXPECT_EQ(next.claim(KXSingleInstance::Message {}, 300), Role::Primary);
    OfferedRefusals offered;
    EXPECT_EQ(next.endOfStart(), std::nullopt);
    EXPECT_TRUE(offered.texts().isEmpty()) << "the instance runs and says nothing";
}

// A client killed outright may see its process id go to another program, or to a client of
// another home: that says nothing of the lock, which the kernel let go with the killed process.
TEST(KXSingleInstance, ALockFileNamingAnotherLiveProcessDoesNotRefuseAStart)
{
    const QString elsewhere = scratchFolder();
    shelltest::ClientStartProcess other(asPath(elsewhere), asPath(lockFolderOf(elsewhere)));
    ASSERT_EQ(other.outcome().rfind("primary", 0), 0u) << other.outcome();

    const QString folder = scratchFolder();
    QDir().mkpath(lockFolderOf(folder));
    {
        // What a lock file of the killed client names: the live client's id, program and machine.
        QFile lock(QDir(lockFolderOf(folder)).filePath("instance.lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(other.pid()) + "\nkx_client_start\n"
            + QSysInfo::machineHostName().toUtf8() + "\n");
    }
    shelltest::ClientStartProcess start(asPath(folder), asPath(lockFolderOf(folder)));
    EXPECT_EQ(start.outcome().rfind("primary", 0), 0u) << start.outcome();
    EXPECT_EQ(start.end(), 0);
    EXPECT_EQ(other.end(), 0);
}

// Another login session has its own runtime folder, and the same home: the lock beside the
// settings is the one the first instance holds, so no second client runs on them.
TEST(KXSingleInstance, AStartFromAnotherSessionOnTheSameHomeEnds)
{
    const QString folder = scratchFolder();
    KXSingleInstance first(folder);
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}), Role::Primary);
    EXPECT_TRUE(QFile::exists(
        QString::fromStdString((foundation::Paths::configDirectory() / "instance.lock").string())));

    KXSingleInstance later(scratchFolder());
    int looks = 0;
    later.setRetryPause([&] { ++looks; });
    EXPECT_EQ(later.claim(KXSingleInstance::Message {}, 300), Role::Busy);
    EXPECT_EQ(looks, KXSingleInstance::kListenLooks) << "a winner that does not listen yet is waited for";
}

namespace {

// A folder below a plain file: it is not there, and cannot be made.
QString unmakeableFolder(const QString& runtimeFolder, const QString& name)
{
    const QString file = QFileInfo(runtimeFolder).dir().filePath(QStringLiteral("not-a-folder"));
    QFile plain(file);
    if (!plain.exists() && plain.open(QIODevice::WriteOnly))
        plain.close();
    return QDir(file).filePath(name);
}

} // namespace

// No lock file opens beside the settings (the folder is missing and cannot be made): the client
// runs on the lock of the fallback folder, which every start of that home finds in the same place,
// so a second start does not run beside the first, from this session or another.
TEST(KXSingleInstance, AConfigFolderWhereNoLockOpensStillStartsButOnlyOnce)
{
    const QString folder = scratchFolder();
    const QString lockFolder = unmakeableFolder(folder, QStringLiteral("config"));
    const QString fallback = fallbackFolderOf(folder);
    KXSingleInstance first(folder, lockFolder, fallback);
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}, 300), Role::Primary);
    EXPECT_TRUE(first.refusal().isEmpty());
    EXPECT_EQ(first.heldLockPath(), first.lockPlaces().value(1));
    EXPECT_TRUE(first.heldLockPath().startsWith(fallback + QLatin1Char('/')))
        << first.heldLockPath().toStdString();

    const QString otherSession = scratchFolder();
    KXSingleInstance later(otherSession, lockFolder, fallback);
    later.setRetryPause([] {});
    EXPECT_EQ(later.claim(KXSingleInstance::Message {}, 300), Role::Busy);
    shelltest::ClientStartProcess whole(asPath(otherSession), asPath(lockFolder), asPath(fallback));
    EXPECT_EQ(whole.outcome(), "busy");
    EXPECT_EQ(whole.end(), 1);

    // Another home's configuration folder has a lock of its own in the same fallback folder.
    const QString otherHome = scratchFolder();
    KXSingleInstance neighbour(otherHome, unmakeableFolder(otherHome, QStringLiteral("config")), fallback);
    EXPECT_EQ(neighbour.claim(KXSingleInstance::Message {}, 300), Role::Primary);
}

// Where no lock file opens in any place the start says so, naming the places, and ends rather than
// run without the guarantee.
TEST(KXSingleInstance, AStartThatCanOpenNoLockSaysSoAndEnds)
{
    const QString folder = scratchFolder();
    const QString lockFolder = unmakeableFolder(folder, QStringLiteral("config"));
    const QString fallback = unmakeableFolder(folder, QStringLiteral("fallback"));
    KXSingleInstance instance(folder, lockFolder, fallback);
    EXPECT_EQ(instance.claim(KXSingleInstance::Message {}, 300), Role::Unavailable);
    const QStringList places = instance.lockPlaces();
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(instance.refusal(),
        QStringLiteral("无法创建锁文件，Corvane Fonts 未启动：")
            + QString::fromStdString(foundation::Paths::displayPath(asPath(places[0]))) + QStringLiteral("、")
            + QString::fromStdString(foundation::Paths::displayPath(asPath(places[1]))));
    OfferedRefusals offered;
    EXPECT_EQ(instance.endOfStart(), 1);
    EXPECT_EQ(offered.texts(), QStringList { instance.refusal() });

    shelltest::ClientStartProcess start(asPath(folder), asPath(lockFolder), asPath(fallback));
    EXPECT_EQ(start.outcome(), "unavailable");
    EXPECT_EQ(start.end(), 1);
}

// A connection past the limit takes the place of the oldest unfinished one; those let in are
// closed after a silence on the dispatch clock, and what they held goes with them. A later start
// is served afterwards, and an instance that ends with connections open lets them go.
TEST(KXSingleInstance, UnfinishedFramesHoldNeitherSlotsNorMemory)
{
    dispatch::VirtualClock::Scope clock;
    const QString folder = scratchFolder();
    auto instance = std::make_unique<KXSingleInstance>(folder, lockFolderOf(folder));
    KXSingleInstance& first = *instance;
    int received = 0;
    first.setMessageHandler([&](const KXSingleInstance::Message&) { ++received; });
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}), Role::Primary);

    constexpr int kSent = 64 * 1024;
    std::vector<std::unique_ptr<QLocalSocket>> senders;
    for (std::size_t i = 0; i < KXSingleInstance::kMaxConnections; ++i)
        senders.push_back(unfinishedFrame(first.socketPath(), kSent));
    const qint64 held = qint64(KXSingleInstance::kMaxConnections) * (4 + kSent);
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == held; })) << first.bufferedBytes();
    EXPECT_EQ(first.openConnections(), KXSingleInstance::kMaxConnections);

    senders.push_back(unfinishedFrame(first.socketPath(), kSent));
    EXPECT_TRUE(servedUntil([&] { return senders[0]->state() == QLocalSocket::UnconnectedState; }));
    senders.erase(senders.begin());
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == held; })) << first.bufferedBytes();
    EXPECT_EQ(first.openConnections(), KXSingleInstance::kMaxConnections);
    EXPECT_EQ(senders.back()->state(), QLocalSocket::ConnectedState);

    // One sender speaks again half-way through the silence: its silence starts over.
    clock.advance(kSilenceSeconds / 2);
    senders[0]->write(QByteArray(16, 'y'));
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == held + 16; }));
    clock.advance(kSilenceSeconds / 2 - 0.01);
    EXPECT_EQ(first.openConnections(), KXSingleInstance::kMaxConnections);
    clock.advance(0.01);
    EXPECT_EQ(first.openConnections(), 1u);
    EXPECT_EQ(first.bufferedBytes(), 4 + kSent + 16);
    EXPECT_TRUE(servedUntil([&] { return senders[1]->state() == QLocalSocket::UnconnectedState; }));
    clock.advance(kSilenceSeconds / 2);
    EXPECT_EQ(first.openConnections(), 0u);
    EXPECT_EQ(first.bufferedBytes(), 0);
    EXPECT_TRUE(servedUntil([&] { return senders[0]->state() == QLocalSocket::UnconnectedState; }));
    EXPECT_EQ(received, 0);

    const KXSingleInstance::Message message { { QStringLiteral("corvane://font/7") }, {}, {} };
    EXPECT_EQ(claimFromAnotherStart(folder, message), Role::Forwarded);
    EXPECT_EQ(received, 1);
    EXPECT_TRUE(servedUntil([&] { return first.openConnections() == 0; })) << "a served connection ends";

    // The client quits while senders are still connected: they are let go.
    senders.clear();
    for (int i = 0; i < 2; ++i)
        senders.push_back(unfinishedFrame(first.socketPath(), 1024));
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == 2 * (4 + 1024); }));
    instance.reset();
    for (const auto& sender : senders)
        EXPECT_TRUE(servedUntil([&] { return sender->state() == QLocalSocket::UnconnectedState; }));
}

namespace {

constexpr double kDeadlineSeconds = std::chrono::duration<double>(KXSingleInstance::kMessageDeadline).count();
constexpr double kTrickleStep = 1.5; // well inside the silence

// Each sender sends one more byte of its unfinished frame after every step of the dispatch clock,
// for `steps` steps.
bool trickled(dispatch::VirtualClock::Scope& clock, const KXSingleInstance& instance,
    const std::vector<std::unique_ptr<QLocalSocket>>& senders, int steps)
{
    for (int step = 0; step < steps; ++step) {
        clock.advance(kTrickleStep);
        const qint64 expected = instance.bufferedBytes() + qint64(senders.size());
        for (const auto& sender : senders)
            sender->write("x");
        if (!servedUntil([&] { return instance.bufferedBytes() == expected; }))
            return false;
    }
    return true;
}

} // namespace

// A sender that speaks often enough is never silent for long: its message has to arrive whole
// within the deadline counted from the moment it was let in all the same.
TEST(KXSingleInstance, AMessageTrickledInIsCutAtItsDeadline)
{
    dispatch::VirtualClock::Scope clock;
    const QString folder = scratchFolder();
    KXSingleInstance first(folder, lockFolderOf(folder));
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}), Role::Primary);
    std::vector<std::unique_ptr<QLocalSocket>> senders;
    senders.push_back(unfinishedFrame(first.socketPath(), 1));
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == 5; }));

    const int steps = int(kDeadlineSeconds / kTrickleStep);
    ASSERT_TRUE(trickled(clock, first, senders, steps));
    clock.advance(kDeadlineSeconds - steps * kTrickleStep - 0.01);
    EXPECT_EQ(first.openConnections(), 1u);
    clock.advance(0.01);
    EXPECT_EQ(first.openConnections(), 0u);
    EXPECT_EQ(first.bufferedBytes(), 0);
    EXPECT_TRUE(servedUntil([&] { return senders[0]->state() == QLocalSocket::UnconnectedState; }));
}

// Four senders that trickle their frames in hold every slot, for as long as they keep it up: a
// later start still hands its message over, in the place of the oldest of them.
TEST(KXSingleInstance, TricklingSendersDoNotHoldOffAHandOver)
{
    dispatch::VirtualClock::Scope clock;
    const QString folder = scratchFolder();
    KXSingleInstance first(folder, lockFolderOf(folder));
    std::vector<KXSingleInstance::Message> received;
    first.setMessageHandler([&](const KXSingleInstance::Message& handed) { received.push_back(handed); });
    ASSERT_EQ(first.claim(KXSingleInstance::Message {}), Role::Primary);
    std::vector<std::unique_ptr<QLocalSocket>> senders;
    for (std::size_t i = 0; i < KXSingleInstance::kMaxConnections; ++i)
        senders.push_back(unfinishedFrame(first.socketPath(), 1));
    ASSERT_TRUE(servedUntil([&] { return first.bufferedBytes() == qint64(5 * senders.size()); }));
    ASSERT_TRUE(trickled(clock, first, senders, int(kDeadlineSeconds / kTrickleStep)));
    ASSERT_EQ(first.openConnections(), KXSingleInstance::kMaxConnections);

    for (const auto& arguments : { QStringList { QStringLiteral("corvane://font/7") }, QStringList {} }) {
        const KXSingleInstance::Message message { arguments, {}, {} };
        EXPECT_EQ(claimFromAnotherStart(folder, message), Role::Forwarded);
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.back(), message);
    }
    EXPECT_EQ(received.size(), 2u);
    // The first start took the oldest sender's place; the second found the place of the first.
    EXPECT_TRUE(servedUntil([&] { return senders[0]->state() == QLocalSocket::UnconnectedState; }));
    for (std::size_t i = 1; i < senders.size(); ++i)
        EXPECT_EQ(senders[i]->state(), QLocalSocket::ConnectedState) << i;
}

namespace {

// Stands in for a first instance whose first `drops` connections are closed as they come (as the
// connections of a full instance were) and that answers the next ones as the instance does.
class DroppingInstance {
public:
    DroppingInstance(const QString& socketPath, int drops)
        : drops_(drops)
    {
        QLocalServer::removeServer(socketPath);
        listening_ = server_.listen(socketPath);
        QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { accept(); });
    }
    bool listening() const { return listening_; }
    int dropped() const { return dropped_; }
    const std::vector<KXSingleInstance::Message>& received() const { return received_; }

private:
    void accept()
    {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            if (dropped_ < drops_) {
                ++dropped_;
                socket->abort();
                socket->deleteLater();
                continue;
            }
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { answer(*socket); });
            answer(*socket);
        }
    }
    void answer(QLocalSocket& socket)
    {
        if (socket.bytesAvailable() < 4)
            return;
        const quint32 length = qFromBigEndian<quint32>(socket.peek(4).constData());
        if (socket.bytesAvailable() < 4 + qint64(length))
            return;
        socket.skip(4);
        if (const auto message = KXSingleInstance::decodeFrame(socket.read(length))) {
            received_.push_back(*message);
            socket.putChar('K');
            socket.flush();
        }
        socket.disconnectFromServer();
    }

    QLocalServer server_;
    bool listening_ = false;
    int drops_ = 0;
    int dropped_ = 0;
    std::vector<KXSingleInstance::Message> received_;
};

// A later start beside a first instance whose lock is held and whose socket a stand-in serves.
KXSingleInstance::Role claimBesideStandIn(
    const QString& folder, const KXSingleInstance::Message& message, int timeoutMs)
{
    std::atomic<bool> done = false;
    KXSingleInstance::Role role = KXSingleInstance::Role::Unavailable;
    std::thread later([&] {
        KXSingleInstance instance(folder, lockFolderOf(folder));
        role = instance.claim(message, timeoutMs);
        done = true;
    });
    servedUntil([&] { return done.load(); });
    later.join();
    return role;
}

} // namespace

// The first instance closes the later start's connection unanswered (it had no room for it just
// then, or was ending it): the later start tries again within its wait, and hands its message
// over once the instance answers; one that never answers is still refused when the wait is over.
TEST(KXSingleInstance, ALaterStartWhoseConnectionIsDroppedTriesAgain)
{
    const QString folder = scratchFolder();
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(lockFolderOf(folder));
    HeldLock firstsLock(QDir(lockFolderOf(folder)).filePath("instance.lock"));
    ASSERT_TRUE(firstsLock.take());
    const QString socketPath = KXSingleInstance(folder, lockFolderOf(folder)).socketPath();
    const KXSingleInstance::Message message { { QStringLiteral("corvane://font/7") }, {}, {} };
    {
        DroppingInstance first(socketPath, 1);
        ASSERT_TRUE(first.listening());
        EXPECT_EQ(claimBesideStandIn(folder, message, 3000), Role::Forwarded);
        EXPECT_EQ(first.dropped(), 1);
        ASSERT_EQ(first.received().size(), 1u);
        EXPECT_EQ(first.received()[0], message);
    }
    DroppingInstance first(socketPath, std::numeric_limits<int>::max());
    ASSERT_TRUE(first.listening());
    EXPECT_EQ(claimBesideStandIn(folder, message, 300), Role::Busy);
    EXPECT_GT(first.dropped(), 1);
    EXPECT_TRUE(first.received().empty());
}
