#pragma once

// The module tests: the folders of fake modules (tests/CMakeLists.txt) and what the
// learner is told of a module that cannot be had.

#include "platform/Modules.h"

#include <QtTest>

namespace testsupport {

// Rows for a module named `name`: the folder the loader is pointed at, the start of what
// the learner is told after "无法加载<feature>：", and a part of it that names the cause.
inline void addUnavailableModuleRows(const QString &name)
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("cause");
    const QString base = QStringLiteral(QUILLORA_TEST_MODULES);
    const QString reinstall = QStringLiteral("\n请重新安装本软件。");
    const auto file = [&](const QString &folder) { return base + u'/' + folder + u'/' + name + QStringLiteral(".so"); };
    QTest::newRow("missing") << base + QStringLiteral("/none") << QStringLiteral("找不到 %1。").arg(file(QStringLiteral("none"))) + reinstall
                             << QString();
    QTest::newRow("from another build") << base + QStringLiteral("/stale")
                                        << QStringLiteral("%1 不属于这一版本的程序。").arg(file(QStringLiteral("stale"))) + reinstall << QString();
    QTest::newRow("cannot be loaded") << base + QStringLiteral("/broken") << QStringLiteral("%1 无法载入（").arg(file(QStringLiteral("broken")))
                                      << QStringLiteral("quillora_fake_no_such_symbol");
}

// Points the loader at one folder, with no failure told yet this run; back to the
// program's own folders when it ends.
class ModuleFolder
{
public:
    explicit ModuleFolder(const QString &folder)
    {
        modules::setFolders({folder});
        modules::forgetFailures();
        qunsetenv("QUILLORA_FAKE_STALE_MAPPED");
    }
    ~ModuleFolder()
    {
        modules::setFolders({});
        modules::forgetFailures();
    }
    // Whether a module from another build was ever mapped (it must not be).
    static bool staleMapped() { return qEnvironmentVariableIsSet("QUILLORA_FAKE_STALE_MAPPED"); }
};

} // namespace testsupport
