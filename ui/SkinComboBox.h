#pragma once

#include <QColor>
#include <QComboBox>
#include <QImage>
#include <QList>
#include <QTimer>

// A drop-down list drawn on white with a thin rounded border and an arrow from a skin
// strip; it lights up while the mouse is over it.
class CSkinComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CSkinComboBox(QWidget *parent = nullptr);

    // stripId: arrow frames normal, hover, pressed.
    bool LoadImages(int stripId, const QColor &normalBorder, const QColor &hoverBorder, const char *type = "PNG");
    void SetImages(const QImage &strip, const QColor &normalBorder, const QColor &hoverBorder);

    void AddItem(const QString &text, int data) { addItem(text, data); }
    int itemInt(int index) const { return itemData(index).toInt(); }

    QRect arrowRect() const;
    bool isLit() const { return m_lit; }
    bool isPressed() const { return m_pressed; }
    QColor normalBorder() const { return m_normalBorder; }
    QColor hoverBorder() const { return m_hoverBorder; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void hidePopup() override;

private:
    void light();
    void poll();

    QList<QImage> m_arrows;
    QColor m_normalBorder = QColor(0xAA, 0xAA, 0xAA);
    QColor m_hoverBorder = QColor(0xAA, 0xAA, 0xAA);
    bool m_hotReady = true;
    bool m_lit = false;
    bool m_pressed = false;
    QTimer m_timer;
};
