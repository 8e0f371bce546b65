#include "Class/AppShell/KXSingleInstance.h"

#include "Class/AppShell/KXIncomingLinks.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

#include <optional>
#include <string>
#include <thread>

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

KXSingleInstance::KXSingleInstance(QString folder, QObject* parent)
    : QObject(parent)
    , folder_(std::move(folder))
    , retryPause_([] { std::this_thread::sleep_for(kRetryStep); })
{
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, [this] { acceptConnection(); });
}

KXSingleInstance::~KXSingleInstance()
{
    if (role_ == Role::Primary) {
        server_.close();
        QFile::remove(socketPath());
    }
}

QString KXSingleInstance::socketPath() const
{
    return QDir(folder_).filePath("instance.socket");
}

QString KXSingleInstance::lockPath() const
{
    return QDir(folder_).filePath("instance.lock");
}

bool KXSingleInstance::prepareFolder() const
{
    const QByteArray path = QFile::encodeName(folder_);
    if (!QDir().mkpath(folder_))
        return false;
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false; // a folder someone else made (or a link) is no place for our socket
    return (info.st_mode & 077) == 0 || ::chmod(path.constData(), 0700) == 0;
}

KXSingleInstance::Role KXSingleInstance::claim(const Message& message, int timeoutMs)
{
    role_ = Role::Unavailable;
    if (!prepareFolder())
        return role_;
    // Two starts at one instant: the one that lost the lock may look for the socket before the
    // winner listens on it, or the winner may die before it does. Both are tried again, briefly.
    const auto deadline = std::chrono::steady_clock::now() + kListenWait;
    for (;;) {
        lock_ = std::make_unique<QLockFile>(lockPath());
        lock_->setStaleLockTime(0); // only a lock whose process is gone is stale
        if (lock_->tryLock(0)) {
            QLocalServer::removeServer(socketPath()); // left by an instance that died
            if (server_.listen(socketPath()))
                role_ = Role::Primary;
            return role_;
        }
        const bool held = lock_->error() == QLockFile::LockFailedError;
        lock_.reset();
        const Forwarding forwarding = forward(message, timeoutMs);
        if (forwarding == Forwarding::Delivered)
            role_ = Role::Forwarded;
        if (forwarding != Forwarding::NoListener || !held || std::chrono::steady_clock::now() >= deadline)
            return role_;
        retryPause_();
    }
}

KXSingleInstance::Forwarding KXSingleInstance::forward(const Message& message, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return Forwarding::NoListener;
    socket.write(encodeFrame(message));
    if (!socket.waitForBytesWritten(timeoutMs))
        return Forwarding::Failed;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(timeoutMs))
            return Forwarding::Failed;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kAcknowledged ? Forwarding::Delivered : Forwarding::Failed;
}

void KXSingleInstance::acceptConnection()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        // No more is buffered than the largest frame.
        socket->setReadBufferSize(qint64(sizeof(quint32)) + kMaxFrameBytes);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrame(socket); });
    }
}

void KXSingleInstance::readFrame(QLocalSocket* socket)
{
    constexpr qint64 kHeader = sizeof(quint32);
    if (socket->bytesAvailable() < kHeader)
        return;
    uchar header[kHeader];
    socket->peek(reinterpret_cast<char*>(header), kHeader);
    const quint32 length = qFromBigEndian<quint32>(header);
    if (length > kMaxFrameBytes) { // a null frame (all ones) too
        KXIncomingLinks::log("message refused: it announces " + std::to_string(length) + " bytes, more than "
                             + std::to_string(kMaxFrameBytes));
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeader + length)
        return; // the rest is still on its way
    socket->skip(kHeader);
    const QByteArray bytes = socket->read(length);
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one message per connection
    const auto message = decodeFrame(bytes);
    if (!message) {
        KXIncomingLinks::log("message refused: not one of this program's");
        socket->abort();
        return;
    }
    socket->putChar(kAcknowledged);
    socket->flush();
    if (handler_)
        handler_(*message);
}
