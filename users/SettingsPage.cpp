#include "users/SettingsPage.h"

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "store/CppSQLite3.h"
#include "ui/Control.h"
#include "ui/Images.h"
#include "ui/SkinButton.h"

#include <QLayout>
#include <QPainter>

#include <algorithm>

CSettingsPage::CSettingsPage(int id, const QString &title, int iconId, CQuilloraDlg *mainWindow, QWidget *parent)
    : QWidget(parent)
    , m_main(mainWindow)
    , m_title(title)
    , m_icon(LoadImageResource(iconId, "ICON").scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
{
    setObjectName(QString::number(id));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

QList<QRgb> CSettingsPage::titleBarBands(int height)
{
    // Each channel takes its share of the distance left, band by band, in whole numbers.
    int c[3] = {0xF6, 0xF8, 0xF5};
    const int end[3] = {0xF4, 0xEA, 0xE1};
    QList<QRgb> bands;
    for (int left = height; left > 0; left -= 2) {
        for (int k = 0; k < 3; ++k)
            c[k] += (left / 2 + end[k] - c[k]) / left * 2;
        bands.append(qRgb(c[0], c[1], c[2]));
    }
    return bands;
}

void CSettingsPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(0xA8, 0xA8, 0xA8));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(0xF4, 0xF4, 0xF4));
    p.drawRect(rect().adjusted(1, 1, -2, -2));

    const QRect bar(QPoint(2, kTitleBarTop), QPoint(width() - 3, kTitleBarBottom - 1));
    const QList<QRgb> bands = titleBarBands(bar.height());
    for (int i = 0; i < bands.size(); ++i)
        p.fillRect(QRect(bar.left(), bar.top() + 2 * i, bar.width(), 2).intersected(bar), QColor(bands[i]));
    if (!m_icon.isNull())
        p.drawImage(QPoint(bar.left() + 2, bar.top() + 1), m_icon);
    p.setFont(font());
    p.setPen(Qt::black);
    p.drawText(bar.adjusted(20, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
}

void CSettingsPage::showStoreError(const CppSQLite3Exception &e)
{
    MessageBox::storeError(window(), e);
}

void CSettingsPage::setPageMargins(QLayout *layout) const
{
    layout->setContentsMargins(12, kTitleBarBottom + 10, 12, 10);
}

CSkinButton *CSettingsPage::pushButton(const QString &text, int id, QWidget *parent)
{
    auto *button = named(new CSkinButton(CSkinButton::Push, text, parent), id);
    button->LoadImages({164, 163, 162}, true);
    const QSize size = button->fontMetrics().size(Qt::TextSingleLine, text);
    button->setFixedSize(std::max(72, size.width() + 28), std::max(24, size.height() + 8));
    return button;
}
