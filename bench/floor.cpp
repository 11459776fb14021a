// The floor of bench/startup.sh: what any Qt Widgets program costs here, a bare window
// of the home window's size (535 x 361, its background PNG 146) with an icon in the
// notification area. Built by the script with the system's compiler and Qt.

#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap icon(22, 22);
    icon.fill(QColor(63, 152, 217));
    QSystemTrayIcon tray{QIcon(icon)};
    tray.show();
    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.resize(535, 361);
    window.show();
    return app.exec();
}
