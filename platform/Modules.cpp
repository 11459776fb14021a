#include "platform/Modules.h"

#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QPluginLoader>
#include <QSet>

namespace {

struct State
{
    QHash<QByteArray, void *> loaded; // by name: the interface of the right id
    QSet<QByteArray> told;            // failures the learner has been told of this run
    QStringList folders;              // set by tests
};

State &state()
{
    static State s;
    return s;
}

// Beside the program (lib/<multiarch>/quillora next to its bin folder: the build tree, a
// relocated or packaged installation), then in the installation prefix.
QStringList moduleFolders()
{
    if (!state().folders.isEmpty())
        return state().folders;
    return {QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../" QUILLORA_MODULE_SUBDIR)),
            QString::fromUtf8(QUILLORA_MODULEDIR)};
}

void fail(const ModuleInfo &info, const QString &reason, const QString &detail)
{
    qWarning("%s module: %s", info.name, qPrintable(detail));
    if (!info.tellLearner || state().told.contains(info.name))
        return;
    state().told.insert(info.name);
    MessageBox::warning(nullptr, QStringLiteral("无法加载%1：%2").arg(QString::fromUtf16(info.feature), reason));
}

} // namespace

namespace modules {

void *load(const ModuleInfo &info, const char *iid)
{
    if (void *module = state().loaded.value(info.name))
        return module;
    const QString fileName = QString::fromLatin1(info.name) + QStringLiteral(".so");
    const QString reinstall = QStringLiteral("\n请重新安装本软件。");
    const QStringList folders = moduleFolders();
    for (const QString &folder : folders) {
        const QString file = QDir(folder).filePath(fileName);
        if (!QFileInfo::exists(file))
            continue;
        // Never unloaded: the web engine does not survive being unmapped while its
        // threads and profile live on.
        auto *loader = new QPluginLoader(file, QCoreApplication::instance());
        // The id is read from the file, before anything of it is mapped or run.
        const QString found = loader->metaData().value(QStringLiteral("IID")).toString();
        if (found != QLatin1String(iid)) {
            delete loader;
            fail(info, QStringLiteral("%1 不属于这一版本的程序。").arg(file) + reinstall,
                 QStringLiteral("%1 has interface %2, expected %3").arg(file, found.isEmpty() ? QStringLiteral("(none)") : found, QLatin1String(iid)));
            return nullptr;
        }
        QObject *root = loader->instance();
        void *module = root ? root->qt_metacast(iid) : nullptr;
        if (!module) {
            const QString error = root ? QStringLiteral("its object does not provide %1").arg(QLatin1String(iid)) : loader->errorString();
            if (!root)
                delete loader;
            fail(info, QStringLiteral("%1 无法载入（%2）。").arg(file, error) + reinstall, QStringLiteral("%1: %2").arg(file, error));
            return nullptr;
        }
        state().loaded.insert(info.name, module);
        return module;
    }
    // Where it belongs is beside the program; the other places are in the log.
    fail(info, QStringLiteral("找不到 %1。").arg(QDir(folders.value(0)).filePath(fileName)) + reinstall,
         QStringLiteral("%1 not found in %2").arg(fileName, folders.join(QStringLiteral(", "))));
    return nullptr;
}

bool loaded(const ModuleInfo &info)
{
    return state().loaded.contains(info.name);
}

void reportUnavailable(const ModuleInfo &info, const QString &reason)
{
    fail(info, reason, reason);
}

void setFolders(const QStringList &folders)
{
    state().folders = folders;
}

void forgetFailures()
{
    state().told.clear();
}

} // namespace modules
