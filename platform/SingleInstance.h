#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One running program per data folder. The first start holds a lock file and listens
// on a local socket named after the folder; a later start asks it to come forward
// and ends. The lock file also tells a socket left behind by a crash from a live one.
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
    QString m_name;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
