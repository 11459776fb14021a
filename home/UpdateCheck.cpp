#include "home/UpdateCheck.h"

#include "platform/AnsiText.h"
#include "platform/PrivateTemp.h"
#include "platform/ProfileFile.h"
#include "platform/Version.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {
const QString kDescriptorName = QStringLiteral("quillora.ini");
}

UpdateCheck::UpdateCheck(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_ownVersion(ownVersionString().toLatin1())
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    m_totalTimer.setSingleShot(true);
    m_totalTimer.setInterval(kTotalTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &UpdateCheck::fail);
    connect(&m_totalTimer, &QTimer::timeout, this, &UpdateCheck::fail);
}

UpdateCheck::~UpdateCheck()
{
    // The program may end while a check waits: drop it without a word.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateCheck::setTimeouts(int connectMs, int totalMs)
{
    m_connectTimer.setInterval(connectMs);
    m_totalTimer.setInterval(totalMs);
}

bool UpdateCheck::start(const QUrl &descriptor)
{
    if (m_reply || !descriptor.isValid() || descriptor.isEmpty())
        return false;
    QNetworkRequest request(descriptor);
    // Always the server's current copy.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    m_body.clear();
    m_tooLarge = false;
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::requestSent, &m_connectTimer, &QTimer::stop);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::onFinished);
    m_connectTimer.start();
    m_totalTimer.start();
    return true;
}

void UpdateCheck::onReadyRead()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(kMaxBody + 1 - m_body.size());
    if (m_body.size() > kMaxBody) {
        // Nothing this large is a descriptor; stop reading rather than fill memory.
        m_tooLarge = true;
        fail();
    }
}

void UpdateCheck::fail()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    end();
}

void UpdateCheck::end()
{
    m_connectTimer.stop();
    m_totalTimer.stop();
    m_body.clear();
    Q_EMIT finished();
}

void UpdateCheck::onFinished()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError) {
        end();
        return;
    }
    m_body += reply->read(kMaxBody + 1 - m_body.size());
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
