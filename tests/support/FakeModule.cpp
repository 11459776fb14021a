// Modules as a broken installation has them, built for the module tests under the name
// of a real one (FAKE_BROWSER, FAKE_SPEECH or FAKE_NETWORK):
// - FAKE_STALE: left from another build: another interface id. Were it ever mapped, it
//   would say so in the environment (QUILLORA_FAKE_STALE_MAPPED).
// - FAKE_BROKEN: the right id, but it cannot be loaded (a symbol no library defines,
//   as when a library it needs is missing or of another version).

#include <QObject>
#include <QtPlugin>

#if defined(FAKE_BROWSER)
#include "ui/BrowserModule.h"
#define FAKE_ID QuilloraBrowserModule_iid
#define FAKE_STALE_ID "net.quillora.BrowserModule/0.9.0.0/000000000000"
#elif defined(FAKE_SPEECH)
#include "study/SpeechModule.h"
#define FAKE_ID QuilloraSpeechModule_iid
#define FAKE_STALE_ID "net.quillora.SpeechModule/0.9.0.0/000000000000"
#else
#include "home/NetworkModule.h"
#define FAKE_ID QuilloraNetworkModule_iid
#define FAKE_STALE_ID "net.quillora.NetworkModule/0.9.0.0/000000000000"
#endif

#if defined(FAKE_STALE)

namespace {
[[maybe_unused]] const bool kMapped = qputenv("QUILLORA_FAKE_STALE_MAPPED", "1");
}

class FakeModule : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FAKE_STALE_ID)
};

#else

extern "C" {
extern int quillora_fake_no_such_symbol;
// Resolved when the module is mapped, so the mapping fails.
Q_DECL_EXPORT int *quillora_fake_needs = &quillora_fake_no_such_symbol;
}

class FakeModule : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID FAKE_ID)
};

#endif

#include "FakeModule.moc"
