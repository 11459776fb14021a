#include "ui/AppLook.h"

#include "ui/Fonts.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>
#include <QTranslator>
#include <QWidget>

namespace {
class QuilloraStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *ret) const override
    {
        // The CJK face's "●" is a full-width disc; the Latin bullet fits a password box.
        if (hint == SH_LineEdit_PasswordCharacter)
            return 0x2022;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};
} // namespace

QIcon programIcon()
{
    // Read as PNG outright: QIcon::addFile asks every image plugin (SVG, JPEG, GIF, ICO)
    // whether it can read the file, which loads them and their libraries at start.
    // Made once; freed with the application, before the pixmaps' display goes.
    static QIcon *icon = nullptr;
    if (!icon) {
        icon = new QIcon;
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            QImageReader png(QStringLiteral(":/ICON/128-%1.png").arg(size), "png");
            png.setAutoDetectImageFormat(false); // the plugins are asked first otherwise
            icon->addPixmap(QPixmap::fromImage(png.read()));
        }
        qAddPostRoutine([] {
            delete icon;
            icon = nullptr;
        });
    }
    return *icon;
}

void prepareDialog(QWidget *dialog, int id, const QString &caption)
{
    dialog->setObjectName(QString::number(id));
    dialog->setWindowTitle(caption);
    dialog->setWindowIcon(programIcon());
    QPalette white = dialog->palette();
    white.setColor(QPalette::Window, Qt::white);
    dialog->setPalette(white);
    dialog->setAutoFillBackground(true);
}

void applyApplicationLook(QApplication &app)
{
    installFontSubstitutions();
    QApplication::setFont(interfaceFont());
    QApplication::setStyle(new QuilloraStyle);

    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(palette);

    // Sizes, dates and file types in the standard dialogs as a Chinese system shows them.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString path = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char *catalogue : {"qtbase_zh_CN", "qtwebengine_zh_CN"}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(catalogue), path))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}
