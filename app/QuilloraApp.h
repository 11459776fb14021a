#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "home/HomeDlg.h"
class SingleInstance;

// Takes the program from its start to the home window and back: one instance per
// data folder, config.ini, the encrypted store (created when missing), the first
// account, the log-in, the per-run temporary objects, the phonetic font, then the
// home window until the program ends.
class CQuilloraApp : public QObject
{
    Q_OBJECT
public:
    explicit CQuilloraApp(const QString &dataDir, QObject *parent = nullptr);
    ~CQuilloraApp() override;

    // Start-up, the event loop until the program ends, shutdown.
    int run();

    // Start-up alone: false when the program is to end at once (another instance
    // runs, or the user cancelled a dialog). Tests drive what follows.
    bool startUp();
    void shutDown();

    CHomeDlg *homeWindow() const { return m_home; }
    QString dataDir() const { return m_dataDir; }
    // The per-user default data folder.
    static QString defaultDataDir();

private:
    bool logIn();

    QString m_dataDir;
    SingleInstance *m_instance = nullptr;
    QPointer<CHomeDlg> m_home;
};
