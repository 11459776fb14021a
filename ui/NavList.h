#pragma once

#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <QWidget>

// The page list at the left of the settings dialog: one 20-pixel row per page with a
// 16 x 16 icon; the selected row is drawn on a blue gradient, the row under the mouse
// in blue text. It takes the keyboard like a list box: Up, Down, Home and End choose a
// row, and a dotted mark shows where the focus is.
class CNavList : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kItemHeight = 20;

    explicit CNavList(QWidget *parent = nullptr);

    // iconId names ":/ICON/<iconId>.png".
    void AddItem(const QString &text, int iconId);
    void AddItem(const QString &text, const QImage &icon);
    void SetCurSel(int index);
    int GetCurSel() const { return m_selected; }
    int GetHotItem() const { return m_hot; }
    int count() const { return int(m_items.size()); }
    QString itemText(int index) const { return m_items.value(index).text; }
    QRect itemRect(int index) const;
    int itemAt(QPoint pos) const;

    // The colours of the selected row's lines, top to bottom, for a row `height` high.
    static QList<QRgb> gradientLines(int height);

Q_SIGNALS:
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Item
    {
        QString text;
        QImage icon;
    };
    QImage renderItem(int index) const;
    void setHot(int index);
    void select(int index);
    void reportCurrent();

    QList<Item> m_items;
    int m_selected = 0;
    int m_hot = -1;
};
