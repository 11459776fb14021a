#include "home/ProgramLinks.h"

#include "platform/InstalledData.h"

namespace links {

QString helpPage()
{
    const QString relative = QStringLiteral("help/index.html");
    const QString found = installedDataPath(relative);
    // Where it belongs when it is missing, so a click says the file cannot be opened.
    return found.isEmpty() ? QString::fromUtf8(QUILLORA_DATADIR) + u'/' + relative : found;
}

QString homePage()
{
    return QStringLiteral(QUILLORA_HOMEPAGE_URL);
}

QUrl updateDescriptor()
{
    const QString address = qEnvironmentVariableIsSet("QUILLORA_UPDATE_URL") ? qEnvironmentVariable("QUILLORA_UPDATE_URL")
                                                                                : QStringLiteral(QUILLORA_UPDATE_URL);
    const QUrl url(address.trimmed());
    return isWebAddress(url) ? url : QUrl();
}

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace links
