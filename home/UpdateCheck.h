#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <memory>

class Fetch;

// Looks for a newer version: fetches the descriptor quillora.ini (section info, keys
// version and url) into the private temporary folder and compares its version byte by
// byte with the program's own. Silent: a network failure, a missing or unreadable
// descriptor, or equal versions end without a word. Runs on the interface thread's
// event loop and never blocks it; one check at a time.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    // Limits for the network: no connection within connectMs, or no complete answer
    // within totalMs, counts as a network failure. Bodies larger than maxBody bytes
    // count as no update.
    static constexpr int kConnectTimeoutMs = 2000;
    static constexpr int kTotalTimeoutMs = 10000;
    static constexpr qint64 kMaxBody = 64 * 1024;

    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    // False (and nothing started) while a check is running or without an address.
    bool start(const QUrl &descriptor);
    bool isRunning() const { return m_fetch != nullptr; }
    // For tests: shorter limits.
    void setTimeouts(int connectMs, int totalMs);

    // The version the descriptor is compared with; the program's own by default.
    void setOwnVersion(const QByteArray &version) { m_ownVersion = version; }

    // The result of a finished descriptor (the bytes of its copy on disk): empty
    // version or equal versions give no update.
    struct Result
    {
        bool update = false;
        QByteArray version; // at most 15 bytes
        QByteArray url;     // at most 499 bytes
    };
    Result compare(const QString &descriptorPath) const;

Q_SIGNALS:
    // A descriptor named another version; url is the address it gives (may be empty).
    void updateFound(const QString &url);
    // The check is over, whatever came of it (for tests).
    void finished();

private:
    void onData(const QByteArray &bytes);
    void onDone(bool ok);
    void fail();
    void end();

    std::unique_ptr<Fetch> m_fetch; // the download under way, from the network module
    QTimer m_connectTimer;
    QTimer m_totalTimer;
    QByteArray m_body;
    QByteArray m_ownVersion;
};
