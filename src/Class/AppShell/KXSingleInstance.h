#pragma once

#include "Platform/Dispatch/Clock.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>

// One client per HOME: the first start holds a lock beside the settings
// ($XDG_CONFIG_HOME/corvane-fonts/instance.lock) and listens on a local socket in
// $XDG_RUNTIME_DIR/corvane-fonts/ (mode 0700); a later start hands its "corvane:" links and its
// activation token to the first one and ends. A later start that cannot hand them over while the
// lock is held (the instance is stopped or busy, or runs in another login session) ends too, and
// says why on stderr and in a message box: two clients on one settings file undo each other's
// sign-in.
//
// The lock is the kernel's advisory lock (flock) on the file, held for as long as the process
// lives: the lock of an instance that died is free at once, whatever process has its id since,
// and nothing is written to the file, so a full disk does not keep a start from taking it. Where
// no lock file can be opened beside the settings at all (a read-only configuration folder that
// holds none, one that is missing and cannot be made), the lock is taken in the fallback folder
// instead (/tmp/corvane-fonts-<uid>, mode 0700, under a name of the configuration folder's
// path): every start of one HOME looks at the same places in the same order and takes the first
// it can open, so two starts never hold different locks over one settings file. The client then
// runs, and its settings store says at its first failed write that the settings cannot be saved.
// The lock file is never removed: a start that opened it before the removal would lock a file
// that no later start sees.
//
// A message is one frame that announces its length first: a frame longer than kMaxFrameBytes is
// refused (logged through KXIncomingLinks) before any of it is read. At most kMaxConnections
// unfinished messages are held at once: a further connection takes the place of the oldest
// unfinished one. A connection silent for kSilence, or whose message has not arrived whole within
// kMessageDeadline of its being let in (both on the dispatch clock), is closed: what a sender left
// unfinished is not kept, and no sender holds a place for longer, however it trickles. A later
// start whose connection is closed unanswered tries again within its wait; only one that hears
// nothing back within it is refused. Main thread only.
class KXSingleInstance : public QObject {
    Q_OBJECT

public:
    // What a later start hands over.
    struct Message {
        QStringList arguments;    // without the program name
        QString activationToken;  // XDG_ACTIVATION_TOKEN (Wayland)
        QString startupId;        // DESKTOP_STARTUP_ID (X11)
        friend bool operator==(const Message&, const Message&) = default;
    };

    enum class Role {
        Primary,     // this process holds the lock: it is the instance (and listens, if it can)
        Forwarded,   // another instance took the message; this process should end
        Busy,        // another process holds the lock and did not take the message: end
        Unavailable, // no lock could be opened in any place: end rather than run beside another instance
    };

    // $XDG_RUNTIME_DIR/corvane-fonts (the user's runtime folder of the platform otherwise).
    static QString defaultFolder();
    // The configuration folder, beside the settings the lock protects.
    static QString defaultLockFolder();
    // Where the lock goes when none can be opened beside the settings: /tmp/corvane-fonts-<uid>.
    // Not TMPDIR nor the runtime folder, which each session may set otherwise: every start of a
    // HOME on this machine must find the same place.
    static QString defaultFallbackFolder();
    // The message of this process: its "corvane:" arguments and the activation variables of its
    // environment, as much as the first instance takes (KXIncomingLinks), so a message this
    // program sends always fits in a frame.
    static Message currentMessage(const QStringList& argumentsWithProgram);

    // The most a frame may hold.
    static constexpr quint32 kMaxFrameBytes = 1024 * 1024;
    // A message as one frame: its length, then its bytes.
    static QByteArray encodeFrame(const Message& message);
    // The message in a frame's bytes (after its length); nullopt when they are not one. Every
    // count and length in them is checked against the bytes left before anything is read for it.
    static std::optional<Message> decodeFrame(const QByteArray& bytes);

    explicit KXSingleInstance(QString folder = defaultFolder(), QString lockFolder = defaultLockFolder(),
        QString fallbackFolder = defaultFallbackFolder(), QObject* parent = nullptr);
    ~KXSingleInstance() override;

    // Becomes the instance, or hands `message` to the running one (waiting at most `timeoutMs`
    // for it to confirm; a connection the instance closes unanswered is made again, every
    // kRetryStep, for at most `timeoutMs` after the first one closed).
    Role claim(const Message& message, int timeoutMs = 3000);
    Role role() const { return role_; }
    // What the user is told when this start does not run (Busy, Unavailable); empty otherwise.
    QString refusal() const;
    // What a start does once it has claimed: nullopt for the instance, which runs on; for every
    // other role the start ends at once, with this exit status (0 once its message was handed
    // over, 1 when it was refused). Every start (the client's main() and the test program that
    // starts as it does) asks here, so that none can run beside an instance.
    static std::optional<int> exitStatusOf(Role role);
    // The end of a start that has claimed, as every start makes it: exitStatusOf(role()), after a
    // refused start has said its refusal on stderr and through the refusal presenter.
    std::optional<int> endOfStart() const;

    // How a refusal reaches a person who started the client from a menu, besides stderr: a modal
    // message box by default (none without a QApplication). Returns the presenter it replaces.
    using RefusalPresenter = std::function<void(const QString& text)>;
    static RefusalPresenter setRefusalPresenter(RefusalPresenter presenter);

    // How long a later start looks for the socket of an instance that holds the lock but does not
    // listen yet, and the pause between two looks (start-up code: the event loop does not run yet).
    static constexpr std::chrono::milliseconds kListenWait{1500};
    static constexpr std::chrono::milliseconds kRetryStep{25};
    static constexpr int kListenLooks = int(kListenWait / kRetryStep);
    // Replaces the pause between two looks (tests hold the later start there).
    void setRetryPause(std::function<void()> pause) { retryPause_ = std::move(pause); }

    // The unfinished messages served at once, the silence after which a connection is closed, and
    // the time a connection has for its whole message from the moment it is let in, however
    // often it speaks meanwhile.
    static constexpr std::size_t kMaxConnections = 4;
    static constexpr std::chrono::milliseconds kSilence{2000};
    static constexpr std::chrono::milliseconds kMessageDeadline { 5000 };
    std::size_t openConnections() const { return connections_.size(); }
    // What the open connections hold read and not yet taken.
    qint64 bufferedBytes() const;

    // Called on the main thread for each message of a later start.
    void setMessageHandler(std::function<void(const Message&)> handler) { handler_ = std::move(handler); }

    QString socketPath() const;
    // The lock file beside the settings, the first place a start looks.
    QString lockPath() const;
    // Every place a start looks for its lock, in the order it looks.
    QStringList lockPlaces() const;
    // The lock file this instance holds; empty when it holds none.
    QString heldLockPath() const { return heldLock_; }

private:
    enum class Locking { Taken, Held, NoPlace };
    Locking takeLock();
    bool prepareFolder() const;
    enum class Forwarding { Delivered, NoListener, Dropped, Failed };
    Forwarding forward(const Message& message, int timeoutMs) const;
    void listen();
    void acceptConnection();
    void readFrame(quint64 id);
    void watchConnection(quint64 id, dispatch::Clock::Duration wait);
    void checkConnection(quint64 id);
    void makeRoom();
    void endConnection(quint64 id);

    struct Connection {
        QLocalSocket* socket = nullptr; // a child of server_
        dispatch::Clock::TimePoint letIn;
        dispatch::Clock::TimePoint lastHeard;
        bool answered = false; // its message was taken; it ends once the answer has gone
    };

    QString folder_;
    QString lockFolder_;
    QString fallbackFolder_;
    int lock_ = -1; // the open lock file, locked, while this instance holds it
    QString heldLock_;
    QLocalServer server_;
    Role role_ = Role::Unavailable;
    std::map<quint64, Connection> connections_;
    quint64 lastConnection_ = 0;
    std::function<void(const Message&)> handler_;
    std::function<void()> retryPause_;
};
