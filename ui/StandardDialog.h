#pragma once

#include <QRgb>
#include <QWidget>

// The ordinary companion of a layered window: it lies exactly over it with a
// see-through background, so only its controls show over the layered picture. Where
// it has no visible child the mouse reaches the translucent controls beneath.
class CStandardDialog : public QWidget
{
    Q_OBJECT

public:
    // Pixels in the key colour are meant to be see-through; the companion itself
    // never paints its background, so the layered picture shows there.
    explicit CStandardDialog(QRgb keyColor = 0xFF00FF, QWidget *parent = nullptr);

    // Shows the companion and wires buttons 1 (OK) and 2 (Cancel).
    void Show();
    QRgb keyColor() const { return m_keyColor; }
    // The union of the visible children's geometries: where the companion takes the mouse.
    QRegion childrenRegion() const;

public Q_SLOTS:
    // Close the layered window first, then hide the companion. Derived windows that
    // must not close on Enter or Escape override these or keyPressEvent.
    virtual void OnOK();
    virtual void OnCancel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void childEvent(QChildEvent *event) override;
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateMask();
    void closeParentAndHide();

    QRgb m_keyColor;
};
