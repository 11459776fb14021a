#include "platform/SingleInstance.h"

#include "platform/PrivateTemp.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
Q_LOGGING_CATEGORY(lcInstance, "quillora.instance", QtWarningMsg)

constexpr char kActivate[] = "activate\n";
// A later start writes one short line and closes at once; one that takes longer, or
// sends more, is dropped unheard.
constexpr int kClientDeadlineMs = 2000;
constexpr qsizetype kLongestMessage = 64;
// Connections read at the same time; more wait in the listener's backlog.
constexpr int kMostClients = 8;

QString nameFor(const QString &dataDir)
{
    const QString canonical = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash((canonical.isEmpty() ? dataDir : canonical).toUtf8(),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("Quillora-") + QString::fromLatin1(hash.toHex().left(16));
}

// The socket's address: the path in the private folder when it fits in sun_path, else
// the abstract namespace (a leading NUL, no file), where anyone may bind any name, so
// the user id is part of the name and both ends check the other's credentials.
QByteArray addressFor(const QString &name, bool *abstract)
{
    sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const QString path = privatetemp::filePath(name);
    const QByteArray bytes = QFile::encodeName(path);
    socklen_t length;
    if (!path.isEmpty() && bytes.size() < qsizetype(sizeof address.sun_path)) {
        std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
        length = sizeof address;
        *abstract = false;
    } else {
        const QByteArray abstractName = name.toLatin1() + '-' + QByteArray::number(::getuid());
        std::memcpy(address.sun_path + 1, abstractName.constData(), size_t(abstractName.size()));
        length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(abstractName.size()));
        *abstract = true;
    }
    return QByteArray(reinterpret_cast<const char *>(&address), qsizetype(length));
}

const sockaddr *asAddress(const QByteArray &address) { return reinterpret_cast<const sockaddr *>(address.constData()); }

// The file-system path of a path address; empty for an abstract one.
QByteArray pathOf(const QByteArray &address, bool abstract)
{
    return abstract ? QByteArray() : QByteArray(reinterpret_cast<const sockaddr_un *>(address.constData())->sun_path);
}

// Whether the process at the other end runs as this user.
bool peerIsUs(int fd)
{
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid();
}

// poll() that resumes after a signal, within one overall deadline.
int pollUntil(pollfd &p, const QDeadlineTimer &deadline)
{
    for (;;) {
        const int rc = ::poll(&p, 1, int(deadline.remainingTime()));
        if (rc >= 0 || errno != EINTR)
            return rc;
    }
}

void closeFd(int fd)
{
    // Linux frees the descriptor even when close() reports EINTR: never retry it.
    ::close(fd);
}
} // namespace

SingleInstance::SingleInstance(const QString &dataDir, QObject *parent)
    : QObject(parent)
    , m_name(nameFor(dataDir))
    , m_lock(QDir(dataDir).filePath(QStringLiteral("Quillora.lock")))
    , m_address(addressFor(m_name, &m_abstract))
{
    m_lock.setStaleLockTime(0); // only a dead owner makes the lock stale
}

SingleInstance::~SingleInstance()
{
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        delete it->notifier;
        closeFd(it.key());
    }
    if (m_listener < 0)
        return;
    delete m_notifier;
    closeFd(m_listener);
    if (!m_abstract)
        ::unlink(pathOf(m_address, m_abstract).constData());
}

bool SingleInstance::claim()
{
    if (!m_lock.tryLock(0))
        return false;
    const QByteArray path = pathOf(m_address, m_abstract);
    // The lock is ours, so a socket of that name is a crash's leftover.
    if (!m_abstract)
        ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool listening = fd >= 0 && ::bind(fd, asAddress(m_address), socklen_t(m_address.size())) == 0
        && (m_abstract || ::chmod(path.constData(), 0600) == 0) && ::listen(fd, 16) == 0;
    if (!listening) {
        const int error = errno;
        if (fd >= 0)
            closeFd(fd);
        qCWarning(lcInstance, "cannot listen for later starts (%s socket %s): %s; they will end without bringing "
                              "this one forward",
                  m_abstract ? "abstract" : "file", qPrintable(m_name), std::strerror(error));
        return true; // the first all the same
    }
    m_listener = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptPending);
    return true;
}

void SingleInstance::acceptPending()
{
    for (;;) {
        if (m_clients.size() >= kMostClients) {
            // The rest wait in the backlog until one of these is done.
            m_notifier->setEnabled(false);
            return;
        }
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: none left; anything else: try at the next notice
        }
        if (!peerIsUs(client)) {
            closeFd(client);
            continue;
        }
        Client &c = m_clients[client];
        c.notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
        connect(c.notifier, &QSocketNotifier::activated, this, [this, client] { readClient(client); });
        c.deadline = new QTimer(c.notifier);
        c.deadline->setSingleShot(true);
        connect(c.deadline, &QTimer::timeout, this, [this, client] { dropClient(client); });
        c.deadline->start(kClientDeadlineMs);
    }
}

void SingleInstance::readClient(int fd)
{
    auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return;
    bool finished = false;
    char buffer[64];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            it->received.append(buffer, n);
            if (it->received.contains('\n') || it->received.size() >= kLongestMessage) {
                finished = true;
                break;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        finished = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK); // closed, or broken
        break;
    }
    if (!finished)
        return; // the rest comes with a later notice, or the deadline drops it
    const bool activate = it->received.startsWith("activate");
    dropClient(fd);
    if (activate)
        Q_EMIT activationRequested();
}

void SingleInstance::dropClient(int fd)
{
    auto it = m_clients.find(fd);
    if (it == m_clients.end())
        return;
    // Called from the notifier's own signal: it goes once control is back in the loop.
    it->notifier->setEnabled(false);
    it->deadline->stop();
    it->notifier->deleteLater();
    m_clients.erase(it);
    closeFd(fd);
    if (m_notifier && !m_notifier->isEnabled())
        m_notifier->setEnabled(true);
}

int SingleInstance::connectToRunning(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return -1;
        int rc = ::connect(fd, asAddress(m_address), socklen_t(m_address.size()));
        if (rc != 0 && (errno == EINPROGRESS || errno == EINTR)) {
            // Under way: done when writable, its result in SO_ERROR.
            pollfd p{fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            rc = pollUntil(p, deadline) > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0
                    && error == 0
                ? 0
                : -1;
            if (rc != 0)
                errno = error ? error : ETIMEDOUT;
        }
        if (rc == 0) {
            if (peerIsUs(fd))
                return fd;
            closeFd(fd);
            return -1;
        }
        const int error = errno;
        closeFd(fd);
        // A full backlog: the first is busy; ask again shortly, within the time given.
        if (error != EAGAIN || deadline.hasExpired())
            return -1;
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}

bool SingleInstance::activateRunning(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const int fd = connectToRunning(timeoutMs);
    if (fd < 0)
        return false;
    const char *data = kActivate;
    size_t left = sizeof kActivate - 1;
    while (left) {
        const ssize_t n = ::send(fd, data, left, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            left -= size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        pollfd p{fd, POLLOUT, 0};
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && pollUntil(p, deadline) > 0)
            continue;
        break;
    }
    closeFd(fd);
    return left == 0;
}
