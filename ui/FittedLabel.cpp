#include "ui/FittedLabel.h"

#include <QPainter>
#include <QTextLayout>

void CFittedLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    bool cut = false;
    const QList<QPair<QPointF, QString>> lines = layoutLines(&cut);
    for (const auto &[pos, line] : lines)
        p.drawText(pos, line);
    const QString tip = cut ? text() : QString();
    if (toolTip() != tip)
        setToolTip(tip);
}

QList<QPair<QPointF, QString>> CFittedLabel::layoutLines(bool *cut) const
{
    QList<QPair<QPointF, QString>> out;
    const QRect area = contentsRect();
    const QFontMetricsF fm(font());
    const QString all = text();
    QTextLayout layout(all, font());
    QTextOption option(alignment());
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    *cut = false;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(area.width());
        const bool lastThatFits = y + 2 * fm.lineSpacing() > area.height();
        QString piece = all.mid(line.textStart(), lastThatFits ? -1 : line.textLength());
        piece.replace(u'\n', u' ').replace(QChar::LineSeparator, u' ');
        if (lastThatFits || fm.horizontalAdvance(piece) > area.width()) {
            const QString elided = fm.elidedText(piece, Qt::ElideRight, area.width());
            *cut = *cut || elided != piece;
            piece = elided;
        }
        out.append({QPointF(area.left(), area.top() + y + fm.ascent()), piece});
        y += fm.lineSpacing();
        if (lastThatFits)
            break;
    }
    layout.endLayout();
    if (!out.isEmpty()) {
        // Centre the block vertically when it has room to spare.
        const qreal spare = area.height() - out.size() * fm.lineSpacing();
        if ((alignment() & Qt::AlignVCenter) && spare > 0)
            for (auto &entry : out)
                entry.first.ry() += spare / 2;
    }
    return out;
}
