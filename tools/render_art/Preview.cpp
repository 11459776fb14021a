#include "Preview.h"

#include "NineGrid.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

void checkerboard(QPainter &p, const QRect &r, int cell = 8)
{
    p.save();
    p.setClipRect(r);
    for (int y = r.top(); y <= r.bottom(); y += cell)
        for (int x = r.left(); x <= r.right(); x += cell)
            p.fillRect(x, y, cell, cell, ((x - r.left()) / cell + (y - r.top()) / cell) % 2 ? QColor(204, 204, 204) : QColor(250, 250, 250));
    p.restore();
}

QImage enlarged(const QImage &img, int f)
{
    return img.scaled(img.size() * f, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The program's outlined label text: dark grey outline, white fill.
void outlinedText(QPainter &p, const QPointF &topLeft, const QString &text)
{
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setBold(true);
    font.setPixelSize(12);
    QPainterPath path;
    path.addText(topLeft + QPointF(0, QFontMetricsF(font).ascent()), font, text);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.strokePath(path, QPen(QColor(0x40, 0x40, 0x40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, Qt::white);
    p.restore();
}

struct Placed
{
    int id;
    int x, y;
};

QImage homeComposite(const QDir &res, const QList<Placed> &parts, const QString &help)
{
    QImage bg(res.filePath(QStringLiteral("PNG/146.png")));
    QImage out(bg.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawImage(0, 0, bg);
    for (const Placed &part : parts)
        p.drawImage(part.x, part.y, QImage(res.filePath(QStringLiteral("PNG/%1.png").arg(part.id))));
    outlinedText(p, QPointF(24, 326), help);
    outlinedText(p, QPointF(400, 326), QStringLiteral("当前版本 v1.00"));
    return out;
}

bool save(const QImage &img, const QDir &outDir, const QString &name, QString *error)
{
    if (!img.save(outDir.filePath(name))) {
        *error = QStringLiteral("cannot write %1").arg(outDir.filePath(name));
        return false;
    }
    return true;
}

} // namespace

bool writePreviews(const Manifest &manifest, const QDir &res, const QDir &outDir, QString *error)
{
    QFont label(QStringLiteral("DejaVu Sans"));
    label.setPixelSize(11);

    // 1. Every picture, enlarged on a checkerboard.
    {
        const int sheetWidth = 1500;
        QList<std::pair<QString, QImage>> items;
        for (const ArtEntry &e : manifest.entries) {
            if (!e.copyFrom.isEmpty())
                continue;
            items.append({e.output, QImage(res.filePath(e.output))});
        }
        // Lay out in rows first to know the height.
        struct Cell { QRect rect; int factor; };
        QList<Cell> cells;
        int x = 10, y = 10, rowH = 0;
        for (const auto &[name, img] : items) {
            const int f = std::clamp(160 / std::max(img.width(), img.height()), 1, 8);
            const QSize s = img.size() * f;
            const int w = std::max(s.width(), 90);
            if (x + w > sheetWidth - 10) {
                x = 10;
                y += rowH + 24;
                rowH = 0;
            }
            cells.append({QRect(QPoint(x, y), s), f});
            x += w + 14;
            rowH = std::max(rowH, s.height());
        }
        QImage sheet(sheetWidth, y + rowH + 34, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(QColor(72, 76, 82));
        QPainter p(&sheet);
        p.setFont(label);
        for (int i = 0; i < items.size(); ++i) {
            const QRect r = cells[i].rect;
            checkerboard(p, r, 4 * std::min(cells[i].factor, 2));
            p.drawImage(r.topLeft(), enlarged(items[i].second, cells[i].factor));
            p.setPen(Qt::white);
            p.drawText(QPoint(r.left(), r.bottom() + 15), QStringLiteral("%1 x%2").arg(items[i].first).arg(cells[i].factor));
        }
        p.end();
        if (!save(sheet, outDir, QStringLiteral("sheet.png"), error))
            return false;
    }

    // 2. The home window as composed, normal and with hover/pressed looks, on a
    //    checkerboard (so the shadow shows) and on a dark desktop.
    {
        const QList<Placed> normal = {{201, 287, 4}, {204, 333, 4}, {152, 379, 4}, {155, 425, 4}, {150, 471, 4},
                                      {177, 24, 130}, {180, 120, 130}, {186, 216, 130}, {183, 312, 130}, {189, 408, 130}};
        const QList<Placed> active = {{202, 287, 4}, {205, 333, 4}, {151, 379, 4}, {155, 425, 4}, {149, 471, 4},
                                      {176, 24, 130}, {178, 120, 130}, {185, 216, 130}, {181, 312, 130}, {188, 408, 130}};
        const QImage a = homeComposite(res, normal, QString());
        const QImage b = homeComposite(res, active, QStringLiteral("拼写记忆单词"));
        QImage sheet(2 * a.width() + 60, 2 * a.height() + 60, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&sheet);
        checkerboard(p, sheet.rect(), 10);
        p.fillRect(QRect(0, a.height() + 40, sheet.width(), a.height() + 20), QColor(40, 44, 52));
        p.fillRect(QRect(a.width() + 40, 0, a.width() + 20, a.height() + 40), QColor(236, 238, 242));
        p.drawImage(20, 20, a);
        p.drawImage(a.width() + 40, 20, b);
        p.drawImage(20, a.height() + 40, b);
        p.drawImage(a.width() + 40, a.height() + 40, a);
        p.end();
        if (!save(sheet, outDir, QStringLiteral("home.png"), error))
            return false;
        if (!save(enlarged(b.convertToFormat(QImage::Format_ARGB32), 2), outDir, QStringLiteral("home-2x.png"), error))
            return false;
    }

    // 3. Marker-scaled controls at typical sizes, 1x and 3x, on white.
    {
        struct Sample { int id; QList<QSize> sizes; };
        const QList<Sample> samples = {
            {164, {{75, 25}, {60, 22}, {120, 30}, {9, 9}}},
            {163, {{75, 25}, {60, 22}, {120, 30}}},
            {162, {{75, 25}, {60, 22}, {120, 30}}},
            {168, {{160, 30}, {100, 24}}},
            {167, {{160, 30}, {100, 24}}},
            {169, {{200, 20}, {200, 30}, {120, 16}}},
        };
        QImage sheet(1500, 2000, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        p.setFont(label);
        int y = 10;
        const QImage bar(res.filePath(QStringLiteral("PNG/170.png")));
        for (const Sample &s : samples) {
            const QImage src(res.filePath(QStringLiteral("PNG/%1.png").arg(s.id)));
            if (src.isNull())
                continue;
            int x = 10;
            int rowH = 0;
            p.setPen(Qt::black);
            p.drawText(x, y + 12, QString::number(s.id));
            x += 40;
            for (const QSize &size : s.sizes) {
                QImage scaled = scaleByMarkers(src, size.width(), size.height());
                if (scaled.isNull()) {
                    *error = QStringLiteral("PNG/%1.png: no markers to scale by").arg(s.id);
                    return false;
                }
                if (s.id == 169) {
                    // The bar fills 60 % of the track between 3-pixel insets.
                    QPainter bp(&scaled);
                    bp.setRenderHint(QPainter::SmoothPixmapTransform);
                    bp.drawImage(QRect(3, 0, (scaled.width() - 6) * 6 / 10, scaled.height()), bar);
                }
                if (s.id == 167 || s.id == 168) {
                    QPainter tp(&scaled);
                    tp.setPen(Qt::red);
                    QFont f(QStringLiteral("Comic Sans MS"));
                    f.setPixelSize(13);
                    tp.setFont(f);
                    tp.drawText(scaled.rect().adjusted(7, 7, -7, -7), Qt::AlignVCenter, QStringLiteral("spell"));
                }
                if (s.id >= 162 && s.id <= 164 && size.width() > 20) {
                    QPainter tp(&scaled);
                    QFont f(QStringLiteral("Noto Sans CJK SC"));
                    f.setPixelSize(12);
                    tp.setFont(f);
                    tp.drawText(scaled.rect(), Qt::AlignCenter, QStringLiteral("确定"));
                }
                p.drawImage(x, y, scaled);
                p.drawImage(x, y + scaled.height() + 6, enlarged(scaled.convertToFormat(QImage::Format_ARGB32), 3));
                x += std::max(scaled.width() * 3, 40) + 16;
                rowH = std::max(rowH, scaled.height() * 4 + 6);
            }
            y += rowH + 14;
        }
        p.end();
        if (!save(sheet.copy(0, 0, sheet.width(), y), outDir, QStringLiteral("ninegrid.png"), error))
            return false;
    }

    // 5. Radio buttons and check boxes as the program composes them (check mark laid
    //    over the unchecked looks), a drop-down and status lines, on white, 1x and 4x.
    {
        auto frames = [&](int id) {
            const QImage strip(res.filePath(QStringLiteral("PNG/%1.png").arg(id)));
            const int fw = (strip.width() - 2) / 3;
            QList<QImage> out;
            for (int i = 0; i < 3; ++i)
                out.append(strip.copy(i * (fw + 1), 0, fw, strip.height()));
            return out;
        };
        QImage row(440, 30, QImage::Format_ARGB32_Premultiplied);
        row.fill(Qt::white);
        QPainter p(&row);
        QFont ui(QStringLiteral("Noto Sans CJK SC"));
        ui.setPixelSize(12);
        p.setFont(ui);
        int x = 4;
        for (int id : {161, 165}) {
            const QList<QImage> f = frames(id);
            if (f[0].isNull())
                continue;
            for (int look = 0; look < 4; ++look) {
                const int y = (30 - f[0].height()) / 2;
                p.drawImage(x, y, f[look % 2]);
                if (look >= 2)
                    p.drawImage(x, y, f[2]);
                x += f[0].width() + 6;
            }
            x += 8;
        }
        const QList<QImage> arrow = frames(166);
        for (int look = 0; look < 3 && !arrow[0].isNull(); ++look) {
            const QRect box(x, 4, 70, 22);
            p.setPen(QColor(0xAA, 0xAA, 0xAA));
            p.drawRoundedRect(box.adjusted(0, 0, -1, -1), 2, 2);
            p.setPen(Qt::black);
            p.drawText(box.adjusted(4, 0, -19, 0), Qt::AlignVCenter, QStringLiteral("四级"));
            p.drawImage(QRect(box.right() - 16, box.top() + 2, 16, box.height() - 3), arrow[look]);
            x += 76;
        }
        p.end();
        QImage sheet(row.width() * 4, row.height() * 5 + 8, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::white);
        QPainter sp(&sheet);
        sp.drawImage(0, 0, row);
        sp.drawImage(0, row.height() + 8, enlarged(row.convertToFormat(QImage::Format_ARGB32), 4));
        sp.end();
        if (!save(sheet, outDir, QStringLiteral("controls.png"), error))
            return false;
    }

    // 4. The spelling cursor after a partly typed word, each frame, 2x.
    {
        QFont font(QStringLiteral("Comic Sans MS"));
        font.setPointSize(34);
        const QString typed = QStringLiteral("wor");
        const int textWidth = QFontMetrics(font).horizontalAdvance(typed);
        const int cellW = textWidth + 1 + 24 + 10;
        QImage strip(cellW * 13, 60, QImage::Format_RGB32);
        strip.fill(Qt::white);
        QPainter p(&strip);
        p.setFont(font);
        for (int i = 0; i < 13; ++i) {
            const int x0 = i * cellW;
            for (int dx = 0; dx < 3; ++dx)
                for (int dy = 0; dy < 3; ++dy) {
                    p.setPen(QColor(0x40, 0x40, 0x80));
                    p.drawText(QRect(x0 + dx, 1 + dy, textWidth + 4, 58), Qt::AlignLeft | Qt::AlignTop, typed);
                }
            p.setPen(QColor(0x28, 0xA0, 0xF0));
            p.drawText(QRect(x0 + 1, 2, textWidth + 4, 58), Qt::AlignLeft | Qt::AlignTop, typed);
            p.drawImage(x0 + textWidth + 1, 1, QImage(res.filePath(QStringLiteral("BITMAP/%1.png").arg(144 + i))));
            p.fillRect(x0 + cellW - 4, 0, 1, 60, QColor(220, 220, 220));
        }
        p.end();
        if (!save(enlarged(strip, 2), outDir, QStringLiteral("cursor.png"), error))
            return false;
    }
    return true;
}
