#include "home/UpdateCheck.h"

#include "home/NetworkModule.h"
#include "platform/AnsiText.h"
#include "platform/Modules.h"
#include "platform/PrivateTemp.h"
#include "platform/ProfileFile.h"
#include "platform/Version.h"

#include <QFile>
#include <QSaveFile>

namespace {
const QString kDescriptorName = QStringLiteral("quillora.ini");
}

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent)
    , m_ownVersion(ownVersionString().toLatin1())
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    m_totalTimer.setSingleShot(true);
    m_totalTimer.setInterval(kTotalTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &UpdateCheck::fail);
    connect(&m_totalTimer, &QTimer::timeout, this, &UpdateCheck::fail);
}

// The program may end while a check waits: the download is dropped without a word.
UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::setTimeouts(int connectMs, int totalMs)
{
    m_connectTimer.setInterval(connectMs);
    m_totalTimer.setInterval(totalMs);
}

bool UpdateCheck::start(const QUrl &descriptor)
{
    if (m_fetch || !descriptor.isValid() || descriptor.isEmpty())
        return false;
    // The network module comes with the first check; without it there is no check
    // (and only a line in the log: the learner did not ask for one).
    auto *module = loadModule<NetworkModule>();
    if (!module)
        return false;
    m_body.clear();
    NetworkModule::Handlers handlers;
    handlers.requestSent = [this] { m_connectTimer.stop(); };
    handlers.data = [this](const QByteArray &bytes) { onData(bytes); };
    handlers.done = [this](bool ok) { onDone(ok); };
    m_fetch = module->get(descriptor, std::move(handlers));
    m_connectTimer.start();
    m_totalTimer.start();
    return true;
}

void UpdateCheck::onData(const QByteArray &bytes)
{
    if (!m_fetch)
        return;
    m_body += bytes.left(kMaxBody + 1 - m_body.size());
    // Nothing this large is a descriptor; stop reading rather than fill memory.
    if (m_body.size() > kMaxBody)
        fail();
}

void UpdateCheck::fail()
{
    if (!m_fetch)
        return;
    m_fetch.reset(); // aborts the download
    end();
}

void UpdateCheck::end()
{
    m_connectTimer.stop();
    m_totalTimer.stop();
    m_body.clear();
    Q_EMIT finished();
}

void UpdateCheck::onDone(bool ok)
{
    if (!m_fetch)
        return;
    m_fetch.reset();
    if (!ok) {
        end();
        return;
    }
    // A descriptor is a few lines of text: anything larger or binary is not one.
    if (m_body.size() > kMaxBody || m_body.contains('\0')) {
        end();
        return;
    }
    const QString path = privatetemp::filePath(kDescriptorName);
    if (path.isEmpty()) {
        end();
        return;
    }
    QSaveFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(m_body) != m_body.size() || !copy.commit()) {
        end();
        return;
    }
    const Result result = compare(path);
    if (result.update)
        Q_EMIT updateFound(ansi::toUnicode(result.url));
    end();
}

UpdateCheck::Result UpdateCheck::compare(const QString &descriptorPath) const
{
    const ProfileFile descriptor(descriptorPath);
    Result result;
    result.version = descriptor.readString("info", "version", {}, 16);
    if (result.version.isEmpty())
        return result;
    // Byte order, as the versions are written: "1.0" and "0.99" differ from "1.00"
    // as much as "1.01" does.
    if (result.version == m_ownVersion)
        return result;
    result.update = true;
    result.url = descriptor.readString("info", "url", {}, 500);
    return result;
}
