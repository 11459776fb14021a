#include "app/QuilloraApp.h"
#include "ui/AppLook.h"
#include "ui/Accessibility.h"
#include "ui/BrowserHost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <cstring>

#include <unistd.h>

namespace {

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption dataDir{QStringLiteral("data-dir"),
                               QStringLiteral("数据文件夹（data.db 与 config.ini 所在处），默认：%1").arg(CQuilloraApp::defaultDataDir()),
                               QStringLiteral("DIR")};
    Options()
    {
        parser.setApplicationDescription(QStringLiteral("Quillora：背英语单词\n\n环境变量 QUILLORA_UPDATE_URL：检查新版本时读取的描述文件 quillora.ini 的地址（http 或 https），"
                                                        "覆盖编译时设定的地址；为空则不检查。"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(dataDir);
    }
};

bool wantsOnlyText(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quillora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLORA_VERSION));
}

} // namespace

int main(int argc, char **argv)
{
    // --help and --version need no display.
    if (wantsOnlyText(argc, argv)) {
        QCoreApplication app(argc, argv);
        describeApplication();
        Options options;
        options.parser.process(app);
        return 0;
    }

    // The web engine's sandbox cannot run as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    prepareBrowserHost();
    QApplication app(argc, argv);
    accessibility::install();
    describeApplication();
    QApplication::setQuitOnLastWindowClosed(false); // the notification area keeps it alive

    Options options;
    options.parser.process(app);

    applyApplicationLook(app);
    QApplication::setWindowIcon(programIcon());

    CQuilloraApp quillora(options.parser.value(options.dataDir));
    return quillora.run();
}
