// The network module: QNetworkAccessManager behind NetworkModule.

#include "home/NetworkModule.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>

namespace {

class ReplyFetch : public Fetch
{
public:
    explicit ReplyFetch(QNetworkReply *reply)
        : m_reply(reply)
    {
    }
    ~ReplyFetch() override
    {
        if (!m_reply)
            return;
        m_reply->disconnect();
        m_reply->abort();
        m_reply->deleteLater();
    }

private:
    QPointer<QNetworkReply> m_reply;
};

} // namespace

class QtNetworkModule : public QObject, public NetworkModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuilloraNetworkModule_iid)
    Q_INTERFACES(NetworkModule)

public:
    std::unique_ptr<Fetch> get(const QUrl &url, Handlers handlers) override
    {
        // Owned by the application, which ends before the module's root object (never
        // deleted) would: the connections it keeps are closed with it.
        if (!m_network)
            m_network = new QNetworkAccessManager(QCoreApplication::instance());
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        QNetworkReply *reply = m_network->get(request);
        QObject::connect(reply, &QNetworkReply::requestSent, reply, [h = handlers.requestSent] { h(); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, h = handlers.data] { h(reply->readAll()); });
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, data = handlers.data, done = handlers.done] {
            const QByteArray rest = reply->readAll();
            if (!rest.isEmpty())
                data(rest); // the caller may abort here; it then ignores the end
            done(reply->error() == QNetworkReply::NoError);
        });
        return std::make_unique<ReplyFetch>(reply);
    }

private:
    QPointer<QNetworkAccessManager> m_network;
};

#include "NetworkModule.moc"
