#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QSocketNotifier;

// One running program per data folder. The first start holds a lock file and listens
// on a local socket named after the folder, in the user's private temporary folder; a
// later start asks it to come forward and ends. The lock file also tells a socket left
// behind by a crash from a live one. Plain POSIX sockets under Qt Core's notifier: the
// network library and what it pulls in stay unmapped at start.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataDir, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it then listens for later starts.
    bool claim();
    // Asks the running instance to come forward; true when the request was delivered.
    bool activateRunning(int timeoutMs = 2000);

    QString serverName() const { return m_name; }

Q_SIGNALS:
    // A later start asked this one to come forward.
    void activationRequested();

private:
    void acceptOne();

    QString m_name;
    QLockFile m_lock;
    int m_listener = -1;
    QString m_socketPath;
    QSocketNotifier *m_notifier = nullptr;
};
