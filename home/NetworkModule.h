#pragma once

// What the update check (home/UpdateCheck.cpp) asks of the network module network.so
// (home/NetworkModule.cpp), which the program loads with the first check: the network
// library and the ones it pulls in (proxy, Kerberos) stay unmapped in a program that
// has not looked for a newer version. Only Qt Core types cross it.

#include "home/NetworkModuleId.h" // generated: the id stamped with the build and this header
#include "platform/Modules.h"

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

class NetworkModule
{
public:
    // The learner never asked for the check: a missing module is only logged.
    static constexpr ModuleInfo kModule{"network", u"网络组件", false};

    virtual ~NetworkModule() = default;

    struct Handlers
    {
        std::function<void()> requestSent;            // the request has left: connected
        std::function<void(const QByteArray &)> data; // bytes as they come
        std::function<void(bool ok)> done;            // the end: complete, or an error
    };
    // A GET of url from the server itself (no cache), on the calling thread's loop.
    virtual std::unique_ptr<Fetch> get(const QUrl &url, Handlers handlers) = 0;
};

Q_DECLARE_INTERFACE(NetworkModule, QuilloraNetworkModule_iid)
