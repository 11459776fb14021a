#pragma once

#include <QByteArray>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// One running program per data folder. The first start holds a lock file and listens
// on a local socket named after the folder, in the user's private temporary folder (or,
// where that path is too long for a socket address, in the abstract namespace under a
// name that also holds the user id); a later start asks it to come forward and ends.
// The lock file also tells a socket left behind by a crash from a live one. Plain POSIX
// sockets under Qt Core's notifier: the network library and what it pulls in stay
// unmapped at start. Nothing here waits on the interface thread for a peer.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataDir, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it then listens for later starts (a warning
    // is logged when it cannot, and it is the first all the same).
    bool claim();
    // Asks the running instance to come forward; true when the request was delivered.
    bool activateRunning(int timeoutMs = 2000);
    // A connection to the running instance, made within timeoutMs; -1 when none takes
    // it. The caller closes the descriptor.
    int connectToRunning(int timeoutMs) const;

    QString serverName() const { return m_name; }
    // Whether this instance listens for later starts.
    bool listening() const { return m_listener >= 0; }

Q_SIGNALS:
    // A later start asked this one to come forward.
    void activationRequested();

private:
    struct Client
    {
        QSocketNotifier *notifier = nullptr;
        QTimer *deadline = nullptr;
        QByteArray received;
    };

    void acceptPending();
    void readClient(int fd);
    void dropClient(int fd);

    QString m_name;
    QLockFile m_lock;
    int m_listener = -1;
    bool m_abstract = false; // set by m_address's initialiser, so declared before it
    QByteArray m_address;    // a sockaddr_un, as long as its name needs
    QSocketNotifier *m_notifier = nullptr;
    QHash<int, Client> m_clients;
};
