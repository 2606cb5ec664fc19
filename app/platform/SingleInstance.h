#pragma once

#include "app/platform/SingleInstanceError.h"
#include "kit/support/FileDescriptor.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace hub {

// One windowed hub per user. The primary instance holds a file lock for its whole
// life and listens on a Unix socket beside it (for this user alone); a second
// instance hands its text (a deep link) to the primary over that socket and ends.
// The primary answers an empty line once it has taken the text, and only then.
// The background updater only asks whether a primary is running.
//
// Both files live in `folder`, by default the user's runtime folder ($XDG_RUNTIME_DIR).
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString folder = defaultFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultFolder();
    static constexpr const char* name = "com.tavren.hub.instance";
    static constexpr qsizetype maxMessageBytes = 64 * 1024;
    // Connections the primary keeps at once; a further one makes the oldest give way,
    // once the message it has sent whole, if any, is taken.
    static constexpr std::size_t maxConnections = 16;
    // Connections the primary accepts in one turn of its event loop: a flood of them
    // waits in the system's queue, and the loop goes on in between.
    static constexpr int acceptsPerTurn = 8;

    // How long a second start waits for a primary that is still starting (it answers once
    // its window is built).
    static constexpr int startTimeoutMs = 10'000;

    // Tries to become the primary instance; true when this object is (or already was), false
    // when another process holds the role. The socket of a primary that died, or an empty
    // folder at its name, is replaced. Throws SingleInstanceError when the role cannot be
    // taken at all: a folder at the lock's or the socket's name, a path too long for a socket.
    bool claim();

    enum class Start {
        primary,        // this object took the role (or already held it)
        handedOver,     // the primary took the message
        messageDropped, // the message cannot be one (too long, or more than one line): the primary
                        // took an empty one instead, as from a start without a message
    };

    // A start: becomes the primary, or hands `message` to the primary (a first start takes the
    // role whatever its message). A primary that holds the role but does not listen or answer
    // yet is waited for until `timeoutMs` has passed; one that ends meanwhile is succeeded.
    // Throws SingleInstanceError when neither happens: claim()'s, or the primary did not answer.
    // Blocks the caller.
    Start claimOrSend(const QString& message, int timeoutMs = startTimeoutMs);

    bool isPrimary() const { return listener_.valid(); }

    // Whether some process holds the primary role in `folder` (never this object's test:
    // the caller is not meant to be the primary).
    static bool isPrimaryRunning(const QString& folder = defaultFolder());

signals:
    // On the primary: a message another instance sent.
    void messageReceived(const QString& message);

private:
    // One sender's connection: its bytes gathered until the line ends.
    struct Connection {
        FileDescriptor descriptor;
        QSocketNotifier* notifier;
        QByteArray bytes;
    };

    static QString lockName();
    void accept();
    // Takes the connection's message when it has come whole; false once the connection is gone.
    bool readFrom(Connection* connection);
    void drop(Connection* connection);

    QString folder_;
    FileDescriptor lock_; // a no-follow lock file, as the installs'
    FileDescriptor listener_;
    QSocketNotifier* acceptor_ = nullptr;
    std::vector<std::unique_ptr<Connection>> connections_; // oldest first
};

} // namespace hub
