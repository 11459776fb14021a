// A look at the skinned widget toolkit with the real art. With --screenshot DIR it
// renders the windows to PNG files there and exits.
#include "ControlsDialog.h"
#include "GalleryHome.h"

#include "ui/Fonts.h"
#include "ui/TranslucentButton.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QEnterEvent>
#include <QTimer>

namespace {

bool save(QWidget &w, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!w.grab().save(path)) {
        qWarning("cannot write %s", qPrintable(path));
        return false;
    }
    return true;
}

void hover(QWidget *w, bool on)
{
    if (on) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    QApplication::setFont(interfaceFont());
    loadPhoneticFont();

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("screenshot"), QStringLiteral("Render the windows into DIR and exit."),
                      QStringLiteral("DIR")});
    parser.process(app);

    GalleryHome home;
    ControlsDialog controls;
    home.show();
    // Out of the home window's way where the screen allows it.
    controls.move(QPoint(0, 0));
    controls.show();

    if (!parser.isSet(QStringLiteral("screenshot")))
        return app.exec();

    QDir dir(parser.value(QStringLiteral("screenshot")));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    QTimer::singleShot(200, &app, [&] {
        bool ok = save(home, dir, QStringLiteral("home.png")) && save(controls, dir, QStringLiteral("controls.png"));
        // The hovered look: the memorise button lit and its help line shown.
        if (CTranslucentButton *memorise = home.button(1007)) {
            hover(memorise, true);
            ok = save(home, dir, QStringLiteral("home-hover.png")) && ok;
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), memorise->mapToGlobal(QPointF(5, 5)),
                              Qt::LeftButton, Qt::LeftButton, {});
            QCoreApplication::sendEvent(memorise, &press);
            ok = save(home, dir, QStringLiteral("home-pressed.png")) && ok;
        }
        app.exit(ok ? 0 : 1);
    });
    return app.exec();
}
