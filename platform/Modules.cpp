#include "platform/Modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPluginLoader>
#include <QStringList>

namespace {

QHash<QString, QObject *> &loaded()
{
    static QHash<QString, QObject *> modules;
    return modules;
}

QStringList moduleFolders()
{
    return {QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../" QUILLORA_MODULE_SUBDIR)),
            QString::fromUtf8(QUILLORA_MODULEDIR)};
}

} // namespace

QObject *loadModule(const QString &name, QString *error)
{
    if (QObject *root = loaded().value(name))
        return root;
    QString reasons;
    for (const QString &folder : moduleFolders()) {
        const QString file = folder + u'/' + name + QStringLiteral(".so");
        if (!QFileInfo::exists(file))
            continue;
        // Never unloaded: the web engine does not survive being unmapped while its
        // threads and profile live on.
        auto *loader = new QPluginLoader(file, QCoreApplication::instance());
        if (QObject *root = loader->instance()) {
            loaded().insert(name, root);
            return root;
        }
        reasons += loader->errorString() + u'\n';
        delete loader;
    }
    if (error)
        *error = reasons.isEmpty() ? QStringLiteral("%1.so not found in %2").arg(name, moduleFolders().join(QStringLiteral(", ")))
                                   : reasons.trimmed();
    return nullptr;
}

bool moduleLoaded(const QString &name)
{
    return loaded().contains(name);
}
