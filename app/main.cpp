#include "app/QuilloraApp.h"
#include "ui/BrowserHost.h"
#include "ui/AppLook.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <unistd.h>

int main(int argc, char **argv)
{
    // The web engine's sandbox cannot run as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    registerResScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillora"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLORA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false); // the notification area keeps it alive

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quillora：背英语单词"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("数据文件夹（data.db 与 config.ini 所在处），默认：%1").arg(CQuilloraApp::defaultDataDir()),
                                     QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);

    applyApplicationLook(app);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/ICON/128-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    CQuilloraApp quillora(parser.value(dataDir));
    return quillora.run();
}
