#pragma once

#include <QImage>
#include <QList>
#include <QWidget>

// An icon and a coloured line of text telling the user how an answer or an input
// fared. Kinds: -1 nothing, 0 correct (tick, green), 1 error (cross, red), 2 notice.
class CStatusLabel : public QWidget
{
    Q_OBJECT

public:
    enum Kind { None = -1, Correct = 0, Error = 1, Notice = 2 };

    // stripId: 231 (20 px icons) or 232 (16 px icons), three frames each.
    explicit CStatusLabel(int stripId, QWidget *parent = nullptr);

    void SetStatus(int kind, const QString &text);
    // Uses a strip the caller already has instead of the resource.
    void SetStrip(const QImage &strip);

    int kind() const { return m_kind; }
    QString text() const { return m_text; }
    static QColor colorFor(int kind);

    // Room for the icon and the current text on one line.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_kind = None;
    QString m_text;
    QList<QImage> m_icons;
};
