#pragma once

#include "ui/Images.h"

#include <QColor>
#include <QImage>
#include <QLineEdit>

// A one-line edit inside a picture frame: one frame normally, another while focused.
class CSkinEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CSkinEdit(QWidget *parent = nullptr);

    // Normal and focused frame ids; the text area is inset by the frame widths.
    bool LoadImages(int normalId, int focusedId, int frameX, int frameY, bool stretch = true,
                    QRgb key = kMarkerColor, const char *type = "PNG");
    void SetImages(const QImage &normal, const QImage &focused, int frameX, int frameY, bool stretch = true,
                   QRgb key = kMarkerColor);

    void SetTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }
    // weight on the 100..900 scale (400 regular, 700 bold).
    void SetFont(int pointSize, const QString &face, int weight = 400);

    // Puts text in as the program does (a remembered password, say): a password's
    // characters reach a screen reader as mask characters only, as typed ones do.
    void SetText(const QString &text);

    // The frame drawn now.
    const QImage &currentFrame() const;
    QRect textArea() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void rebuildFrames();
    void applyColors();

    QImage m_normalSource, m_focusedSource;
    QImage m_normal, m_focused;
    int m_frameX = 0;
    int m_frameY = 0;
    bool m_stretch = true;
    QRgb m_key = kMarkerColor;
    QColor m_background = Qt::white;
    QColor m_textColor = Qt::black;
};
