#pragma once

// What the update check (home/UpdateCheck.cpp) asks of the network module
// (home/FetchModuleImpl.cpp), which the program loads with the first check: the network
// library and the ones it pulls in (proxy, Kerberos) stay unmapped in a program that
// has not looked for a newer version. Only Qt Core types cross it.

#include <QByteArray>
#include <QUrl>
#include <QtPlugin>

#include <functional>
#include <memory>

// One download under way; destroying it aborts it without a further call.
class Fetch
{
public:
    virtual ~Fetch() = default;
};

class FetchModule
{
public:
    virtual ~FetchModule() = default;

    struct Handlers
    {
        std::function<void()> requestSent;            // the request has left: connected
        std::function<void(const QByteArray &)> data; // bytes as they come
        std::function<void(bool ok)> done;            // the end: complete, or an error
    };
    // A GET of url from the server itself (no cache), on the calling thread's loop.
    virtual std::unique_ptr<Fetch> get(const QUrl &url, Handlers handlers) = 0;
};

#define QuilloraFetchModule_iid "net.quillora.FetchModule/1"
Q_DECLARE_INTERFACE(FetchModule, QuilloraFetchModule_iid)
