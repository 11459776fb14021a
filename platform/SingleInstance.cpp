#include "platform/SingleInstance.h"

#include "platform/PrivateTemp.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr char kActivate[] = "activate\n";

QString nameFor(const QString &dataDir)
{
    const QString canonical = QFileInfo(dataDir).canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash((canonical.isEmpty() ? dataDir : canonical).toUtf8(),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("Quillora-") + QString::fromLatin1(hash.toHex().left(16));
}

// The socket's address; false when the path does not fit.
bool addressOf(const QString &path, sockaddr_un &address)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (path.isEmpty() || bytes.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

// Reads what a later start sent, within a short time: it writes one line and closes.
bool readsActivation(int fd)
{
    QByteArray received;
    char buffer[64];
    pollfd p{fd, POLLIN, 0};
    while (received.size() < 64 && ::poll(&p, 1, 500) > 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, n);
        if (received.contains('\n'))
            break;
    }
    return received.contains("activate");
}
} // namespace

SingleInstance::SingleInstance(const QString &dataDir, QObject *parent)
    : QObject(parent)
    , m_name(nameFor(dataDir))
    , m_lock(QDir(dataDir).filePath(QStringLiteral("Quillora.lock")))
    , m_socketPath(privatetemp::filePath(m_name))
{
    m_lock.setStaleLockTime(0); // only a dead owner makes the lock stale
}

SingleInstance::~SingleInstance()
{
    if (m_listener < 0)
        return;
    delete m_notifier;
    ::close(m_listener);
    QFile::remove(m_socketPath);
}

bool SingleInstance::claim()
{
    if (!m_lock.tryLock(0))
        return false;
    sockaddr_un address;
    if (!addressOf(m_socketPath, address))
        return true; // the first all the same; later starts cannot reach it
    // The lock is ours, so a socket of that name is a crash's leftover.
    ::unlink(address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::chmod(address.sun_path, 0600) != 0
        || ::listen(fd, 4) != 0) {
        ::close(fd);
        return true;
    }
    m_listener = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptOne);
    return true;
}

void SingleInstance::acceptOne()
{
    const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    const bool activate = readsActivation(client);
    ::close(client);
    if (activate)
        Q_EMIT activationRequested();
}

bool SingleInstance::activateRunning(int timeoutMs)
{
    sockaddr_un address;
    if (!addressOf(m_socketPath, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool delivered = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        pollfd p{fd, POLLOUT, 0};
        const ssize_t length = ssize_t(sizeof kActivate - 1);
        delivered = ::poll(&p, 1, timeoutMs) > 0 && ::write(fd, kActivate, size_t(length)) == length;
    }
    ::close(fd);
    return delivered;
}
