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
    ReplyFetch(QNetworkAccessManager *network, QNetworkReply *reply)
        : m_network(network)
        , m_reply(reply)
    {
    }
    ~ReplyFetch() override
    {
        if (m_reply) {
            m_reply->disconnect();
            m_reply->abort();
        }
        // Later, as this may run inside one of the reply's own signals; the manager
        // takes the reply, its connections and its thread with it.
        if (m_network)
            m_network->deleteLater();
    }

private:
    QPointer<QNetworkAccessManager> m_network;
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
        // A manager for each download, gone with it: its thread ends while the program
        // runs. One kept for the whole run went with the application, and its thread
        // could then still be ending as the process exited, leaving the thread's data
        // behind. Owned by the application all the same, should the program end before
        // the manager's deletion comes round.
        auto *network = new QNetworkAccessManager(QCoreApplication::instance());
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        QNetworkReply *reply = network->get(request);
        QObject::connect(reply, &QNetworkReply::requestSent, reply, [h = handlers.requestSent] { h(); });
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, h = handlers.data] { h(reply->readAll()); });
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, data = handlers.data, done = handlers.done] {
            const QByteArray rest = reply->readAll();
            if (!rest.isEmpty())
                data(rest); // the caller may abort here; it then ignores the end
            done(reply->error() == QNetworkReply::NoError);
        });
        return std::make_unique<ReplyFetch>(network, reply);
    }
};

#include "NetworkModule.moc"
