#include "Class/AppShell/KXSingleInstance.h"

#include "Class/AppShell/KXIncomingLinks.h"
#include "Platform/Dispatch/Queue.h"
#include "Platform/DispatchQt/QtGuardedCallback.h"
#include "Platform/Foundation/PrivateFiles.h"
#include "Platform/Storage/Paths.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 kMagic = 0x4b58534e; // "KXSN"
constexpr char kAcknowledged = 'K';

// Reads one text whose announced length fits in what is left of the frame; false otherwise.
bool readInstanceFrameText(QDataStream& in, QString& text)
{
    constexpr qint64 kLengthBytes = sizeof(quint32);
    QIODevice* frame = in.device();
    uchar header[kLengthBytes];
    if (frame->peek(reinterpret_cast<char*>(header), kLengthBytes) != kLengthBytes)
        return false;
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length != 0xFFFFFFFF && qint64(length) > frame->bytesAvailable() - kLengthBytes)
        return false; // a null text is all ones and carries nothing
    in >> text;
    return in.status() == QDataStream::Ok;
}

// Made if it is missing; true when it is a folder of this user's (not a link) that only this user
// can enter, the only kind a socket or a lock of ours may lie in.
bool preparePrivateFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (!QDir().mkpath(folder))
        return false;
    struct stat info { };
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}

// The lock file at `path`, opened (made if it can be) without following a link; one in a folder
// that cannot be written is opened for reading, which is all a lock needs. -1 when it cannot be
// opened, or is no plain file.
int openLockFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int lock = ::open(name.constData(), O_RDWR | O_CREAT | kFlags, 0600);
    if (lock < 0)
        lock = ::open(name.constData(), O_RDONLY | kFlags);
    struct stat info { };
    if (lock >= 0 && (::fstat(lock, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(lock);
        return -1;
    }
    return lock;
}

// A name of the configuration folder: one runtime or fallback folder may serve clients of several
// homes (HOME pointed elsewhere, a second configuration).
QString homeKey(const QString& lockFolder)
{
    const QByteArray home = QCryptographicHash::hash(
        QFile::encodeName(QFileInfo(lockFolder).absoluteFilePath()), QCryptographicHash::Sha256);
    return QString::fromLatin1(home.toHex().left(16));
}

void showRefusalBox(const QString& text)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

KXSingleInstance::RefusalPresenter& refusalPresenter()
{
    static KXSingleInstance::RefusalPresenter presenter = showRefusalBox;
    return presenter;
}

} // namespace

QByteArray KXSingleInstance::encodeFrame(const Message& message)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << message.arguments << message.activationToken << message.startupId;
    QByteArray framed;
    QDataStream frame(&framed, QIODevice::WriteOnly);
    frame << bytes;
    return framed;
}

// The list's count is checked against the bytes left (a text takes at least its length) and the
// texts are read one by one: nothing is set aside for texts the frame cannot hold.
std::optional<KXSingleInstance::Message> KXSingleInstance::decodeFrame(const QByteArray& bytes)
{
    constexpr qint64 kLeastTextBytes = sizeof(quint32);
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint32 count = 0;
    in >> magic >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || qint64(count) > in.device()->bytesAvailable() / kLeastTextBytes)
        return std::nullopt;
    Message message;
    for (quint32 i = 0; i < count; ++i) {
        QString argument;
        if (!readInstanceFrameText(in, argument))
            return std::nullopt;
        message.arguments.append(argument);
    }
    if (!readInstanceFrameText(in, message.activationToken) || !readInstanceFrameText(in, message.startupId))
        return std::nullopt;
    return message;
}

QString KXSingleInstance::defaultFolder()
{
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime).isDir())
        runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtime).filePath("corvane-fonts");
}

QString KXSingleInstance::defaultLockFolder()
{
    return QString::fromStdString(foundation::Paths::configDirectory().string());
}

QString KXSingleInstance::defaultFallbackFolder()
{
    return QStringLiteral("/tmp/corvane-fonts-%1").arg(::getuid());
}

KXSingleInstance::Message KXSingleInstance::currentMessage(const QStringList& argumentsWithProgram)
{
    Message message;
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (KXIncomingLinks::acceptsPermit(token, "activation token"))
        message.activationToken = token;
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    if (KXIncomingLinks::acceptsPermit(startupId, "startup id"))
        message.startupId = startupId;
    // What the frame holds besides the links: the magic, the list's count and the two permits.
    const auto textBytes = [](qsizetype length) { return qint64(sizeof(quint32)) + 2 * qint64(length); };
    qint64 room = qint64(kMaxFrameBytes) - 2 * qint64(sizeof(quint32)) - 2 * textBytes(KXIncomingLinks::kMaxPermitLength);
    qsizetype left = 0;
    for (const QString& link : KXIncomingLinks::linksOf(argumentsWithProgram.mid(1))) {
        if (!KXIncomingLinks::acceptsLink(link))
            continue;
        if (textBytes(link.size()) > room) {
            ++left;
            continue;
        }
        room -= textBytes(link.size());
        message.arguments.append(link);
    }
    if (left > 0)
        KXIncomingLinks::log("links not handed over: " + std::to_string(left) + " past what one message holds");
    return message;
}

KXSingleInstance::KXSingleInstance(
    QString folder, QString lockFolder, QString fallbackFolder, QObject* parent)
    : QObject(parent)
    , folder_(std::move(folder))
    , lockFolder_(std::move(lockFolder))
    , fallbackFolder_(std::move(fallbackFolder))
    , retryPause_([] { std::this_thread::sleep_for(kRetryStep); })
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] { acceptConnection(); });
}

KXSingleInstance::~KXSingleInstance()
{
    // The sockets go with the server, after the bookkeeping they would report their end to.
    for (const auto& [id, connection] : connections_)
        connection.socket->disconnect(this);
    if (server_.isListening()) {
        server_.close();
        QFile::remove(socketPath());
    }
    if (lock_ >= 0)
        ::close(lock_);
}

QString KXSingleInstance::socketPath() const
{
    return QDir(folder_).filePath("instance-" + homeKey(lockFolder_) + ".socket");
}

QString KXSingleInstance::lockPath() const
{
    return QDir(lockFolder_).filePath("instance.lock");
}

QStringList KXSingleInstance::lockPlaces() const
{
    return { lockPath(), QDir(fallbackFolder_).filePath("instance-" + homeKey(lockFolder_) + ".lock") };
}

QString KXSingleInstance::refusal() const
{
    switch (role_) {
    case Role::Busy:
        return QStringLiteral("Corvane Fonts 已在运行，但没有响应。");
    case Role::Unavailable: {
        QStringList places;
        for (const QString& place : lockPlaces())
            places.append(QString::fromStdString(
                foundation::Paths::displayPath(QFile::encodeName(place).toStdString())));
        return QStringLiteral("无法创建锁文件，Corvane Fonts 未启动：") + places.join(QStringLiteral("、"));
    }
    case Role::Primary:
    case Role::Forwarded:
        break;
    }
    return {};
}

std::optional<int> KXSingleInstance::exitStatusOf(Role role)
{
    switch (role) {
    case Role::Primary:
        return std::nullopt;
    case Role::Forwarded:
        return 0;
    case Role::Busy:
    case Role::Unavailable:
        break;
    }
    return 1;
}

std::optional<int> KXSingleInstance::endOfStart() const
{
    const auto status = exitStatusOf(role_);
    const QString text = refusal();
    if (status && !text.isEmpty()) {
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
        if (const auto& presenter = refusalPresenter())
            presenter(text);
    }
    return status;
}

KXSingleInstance::RefusalPresenter KXSingleInstance::setRefusalPresenter(RefusalPresenter presenter)
{
    return std::exchange(refusalPresenter(), std::move(presenter));
}

// A folder someone else made (or a link) is no place for our socket.
bool KXSingleInstance::prepareFolder() const
{
    return preparePrivateFolder(folder_);
}

// The first place whose lock file opens decides: its lock is taken, or held by another start. A
// place whose file opens and cannot be locked at all (a file system without locks) counts as one
// that does not open, for every start alike.
KXSingleInstance::Locking KXSingleInstance::takeLock()
{
    const QStringList places = lockPlaces();
    for (int index = 0; index < places.size(); ++index) {
        const QString& place = places[index];
        std::error_code ignored; // a folder that cannot be made shows as a file that does not open
        if (index == 0)
            foundation::PrivateFiles::createFolder(QFile::encodeName(lockFolder_).toStdString(), ignored);
        else if (!preparePrivateFolder(fallbackFolder_))
            continue;
        const int lock = openLockFile(place);
        if (lock < 0)
            continue;
        int locked = 0;
        while ((locked = ::flock(lock, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) { }
        if (locked == 0) {
            lock_ = lock;
            heldLock_ = place;
            return Locking::Taken;
        }
        const bool held = errno == EWOULDBLOCK;
        ::close(lock);
        if (held)
            return Locking::Held;
    }
    return Locking::NoPlace;
}

KXSingleInstance::Role KXSingleInstance::claim(const Message& message, int timeoutMs)
{
    role_ = Role::Unavailable;
    using Steady = std::chrono::steady_clock;
    // Two starts at one instant: the one that lost the lock may look for the socket before the
    // winner listens on it, or the winner may die before it does. Both are tried again, briefly.
    // An instance that closes the connection unanswered is alive and had no room for it just then:
    // the message is sent again within the wait (on real time: the event loop does not run yet).
    int looks = 0;
    std::optional<Steady::time_point> retryUntil;
    int waitMs = timeoutMs;
    for (;;) {
        const Locking locking = lock_ >= 0 ? Locking::Taken : takeLock();
        if (locking == Locking::NoPlace)
            return role_;
        if (locking == Locking::Taken) {
            role_ = Role::Primary;
            listen();
            return role_;
        }
        // Messages go only to a socket in a folder of this user's.
        const Forwarding forwarding = prepareFolder() ? forward(message, waitMs) : Forwarding::Failed;
        if (forwarding == Forwarding::Delivered)
            return role_ = Role::Forwarded;
        if (forwarding == Forwarding::Failed
            || (forwarding == Forwarding::NoListener && looks++ >= kListenLooks))
            return role_ = Role::Busy;
        if (forwarding == Forwarding::Dropped) {
            if (!retryUntil)
                retryUntil = Steady::now() + std::chrono::milliseconds(timeoutMs);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*retryUntil - Steady::now());
            if (left.count() <= 0)
                return role_ = Role::Busy;
            waitMs = int(left.count());
        }
        retryPause_();
    }
}

// An instance that cannot listen still holds the lock: later starts end instead of running beside it.
void KXSingleInstance::listen()
{
    if (!prepareFolder()) {
        KXIncomingLinks::log(
            "later starts cannot reach this instance: no private folder at " + folder_.toStdString());
        return;
    }
    QLocalServer::removeServer(socketPath()); // left by an instance that died
    if (!server_.listen(socketPath()))
        KXIncomingLinks::log(
            "later starts cannot reach this instance: " + server_.errorString().toStdString());
}

// Dropped when the instance closed the connection before it answered, Failed when it said nothing
// within the wait (or answered something else).
KXSingleInstance::Forwarding KXSingleInstance::forward(const Message& message, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return Forwarding::NoListener;
    const auto unanswered = [&socket] {
        return socket.error() != QLocalSocket::SocketTimeoutError
                && socket.state() == QLocalSocket::UnconnectedState
            ? Forwarding::Dropped
            : Forwarding::Failed;
    };
    socket.write(encodeFrame(message));
    if (!socket.waitForBytesWritten(timeoutMs))
        return unanswered();
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return unanswered();
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAcknowledged ? Forwarding::Delivered : Forwarding::Failed;
}

qint64 KXSingleInstance::bufferedBytes() const
{
    qint64 bytes = 0;
    for (const auto& [id, connection] : connections_)
        bytes += connection.socket->bytesAvailable();
    return bytes;
}

void KXSingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        makeRoom();
        const quint64 id = ++lastConnection_;
        const auto now = dispatch::Clock::current()->now();
        connections_[id] = Connection { socket, now, now };
        // No more is buffered than the largest frame.
        socket->setReadBufferSize(qint64(sizeof(quint32)) + kMaxFrameBytes);
        connect(socket, &QLocalSocket::disconnected, this, [this, id] { endConnection(id); });
        connect(socket, &QLocalSocket::readyRead, this, [this, id] { readFrame(id); });
        watchConnection(id, kSilence);
    }
}

// A newcomer is let in before what has waited longest: a sender that holds its place cannot keep
// a later start out, and one of the instance's own later starts sends its whole message at once.
// Connections already answered hold nothing and are ending: they take no place.
void KXSingleInstance::makeRoom()
{
    std::size_t unfinished = 0;
    quint64 oldest = 0;
    for (const auto& [id, connection] : connections_) {
        if (connection.answered)
            continue;
        if (unfinished++ == 0)
            oldest = id;
    }
    if (unfinished >= kMaxConnections)
        endConnection(oldest);
}

void KXSingleInstance::watchConnection(quint64 id, dispatch::Clock::Duration wait)
{
    dispatch::mainQueue().after(std::chrono::duration<double>(wait).count(),
        dispatch::guardedQt(this, [id](KXSingleInstance& instance) { instance.checkConnection(id); }));
}

void KXSingleInstance::checkConnection(quint64 id)
{
    const auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    const auto now = dispatch::Clock::current()->now();
    const auto left
        = std::min(found->second.lastHeard + kSilence, found->second.letIn + kMessageDeadline) - now;
    // Within a millisecond counts as due: a wait rounded down never comes back as an endless
    // string of empty ones.
    if (left <= std::chrono::milliseconds(1))
        endConnection(id);
    else
        watchConnection(id, left);
}

// The socket goes with what it buffered; it may be the sender of the signal that runs this.
void KXSingleInstance::endConnection(quint64 id)
{
    const auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    QLocalSocket* socket = found->second.socket;
    connections_.erase(found);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void KXSingleInstance::readFrame(quint64 id)
{
    const auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    found->second.lastHeard = dispatch::Clock::current()->now();
    QLocalSocket* socket = found->second.socket;
    constexpr qint64 kHeader = sizeof(quint32);
    if (socket->bytesAvailable() < kHeader)
        return;
    uchar header[kHeader];
    socket->peek(reinterpret_cast<char*>(header), kHeader);
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > kMaxFrameBytes) { // a null frame (all ones) too
        KXIncomingLinks::log("message refused: it announces " + std::to_string(length) + " bytes, more than "
            + std::to_string(kMaxFrameBytes));
        endConnection(id);
        return;
    }
    if (socket->bytesAvailable() < kHeader + length)
        return; // the rest is still on its way
    socket->skip(kHeader);
    const QByteArray bytes = socket->read(length);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one message per connection
    found->second.answered = true;
    const auto message = decodeFrame(bytes);
    if (!message) {
        KXIncomingLinks::log("message refused: not one of this program's");
        endConnection(id);
        return;
    }
    socket->putChar(kAcknowledged);
    socket->flush();
    // The answer is on its way; the connection ends once it has gone.
    socket->disconnectFromServer();
    if (handler_)
        handler_(*message);
}
