#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// One client per user: the first start holds a lock file and listens on a local socket in
// $XDG_RUNTIME_DIR/corvane-fonts/ (mode 0700); a later start hands its "corvane:" links and its
// activation token to the first one and ends. A message is one frame that announces its length
// first: a frame longer than kMaxFrameBytes is refused (logged through KXIncomingLinks) before
// any of it is read. The lock of an instance that died counts as free
// and its socket is replaced, so a dead instance never blocks a new one. Main thread only.
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
        Primary,     // this process is the instance: it listens for later starts
        Forwarded,   // another instance took the message; this process should end
        Unavailable, // no lock or socket could be had: run on without the guarantee
    };

    // $XDG_RUNTIME_DIR/corvane-fonts (the user's runtime folder of the platform otherwise).
    static QString defaultFolder();
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

    explicit KXSingleInstance(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~KXSingleInstance() override;

    // Becomes the instance, or hands `message` to the running one (waiting at most `timeoutMs`
    // for it to confirm).
    Role claim(const Message& message, int timeoutMs = 3000);
    Role role() const { return role_; }

    // How long a later start looks for the socket of an instance that holds the lock but does not
    // listen yet, and the pause between two looks (start-up code: the event loop does not run yet).
    static constexpr std::chrono::milliseconds kListenWait{1500};
    static constexpr std::chrono::milliseconds kRetryStep{25};
    // Replaces the pause between two looks (tests hold the later start there).
    void setRetryPause(std::function<void()> pause) { retryPause_ = std::move(pause); }

    // Called on the main thread for each message of a later start.
    void setMessageHandler(std::function<void(const Message&)> handler) { handler_ = std::move(handler); }

    QString socketPath() const;
    QString lockPath() const;

private:
    bool prepareFolder() const;
    enum class Forwarding { Delivered, NoListener, Failed };
    Forwarding forward(const Message& message, int timeoutMs) const;
    void acceptConnection();
    void readFrame(QLocalSocket* socket);

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    Role role_ = Role::Unavailable;
    std::function<void(const Message&)> handler_;
    std::function<void()> retryPause_;
};
