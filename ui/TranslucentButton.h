#pragma once

#include "ui/TranslucentWnd.h"

#include <QColor>
#include <QFont>

#include <array>

// A picture button of the layered window with five image slots. It never paints
// itself; its current image is drawn into the layered window's picture. It takes the
// keyboard: Tab reaches it, Enter or Space presses it, and while it has the focus a
// rounded mark in its focus colour is drawn around it.
class CTranslucentButton : public CTranslucentWnd
{
    Q_OBJECT
    Q_PROPERTY(ButtonStyle buttonStyle READ buttonStyle WRITE setButtonStyle)

public:
    enum Slot { Normal = 0, Disabled = 1, Hover = 2, Pressed = 3, Checked = 4, SlotCount = 5 };
    // Check box and radio styles toggle their checked state on a click; push clears it.
    enum ButtonStyle { PushButton, CheckBox, RadioButton };
    Q_ENUM(ButtonStyle)

    explicit CTranslucentButton(QWidget *parent = nullptr);

    // Image ids in slot order (normal, disabled, hover, pressed, checked); 0 = none.
    // False when the normal image is missing; the button then has no images.
    bool LoadImages(const std::array<int, SlotCount> &ids, const char *type = "PNG");
    bool SetImages(const std::array<QImage, SlotCount> &images);

    void Render(QPainter &painter) override;
    void UpdateState() override;

    void SetText(const QString &text);
    QString text() const { return m_text; }
    void SetCheck(bool checked);
    // As a full click with the mouse: toggles a check box or radio style, then clicked().
    void click();
    // The focus mark's colour: dark on light art, light on the blue title bar.
    void setFocusColor(const QColor &color) { m_focusColor = color; }
    bool GetCheck() const { return m_checked; }
    ButtonStyle buttonStyle() const { return m_style; }
    void setButtonStyle(ButtonStyle style) { m_style = style; }

    // The slot whose image is drawn now (-1 without images).
    int currentSlot() const { return m_current; }
    bool isHovered() const { return m_hover; }
    bool isPressed() const { return m_pressed; }
    QFont textFont() const { return m_font; }

Q_SIGNALS:
    // resting: the mouse came to rest on the button (true) or left it (false).
    void hoverHelp(bool resting, int controlId);
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int chooseSlot() const;

    int m_current = -1;
    bool m_hover = false;
    bool m_pressed = false;
    bool m_checked = false;
    ButtonStyle m_style = PushButton;
    QString m_text;
    QFont m_font;
    QColor m_focusColor = QColor(48, 134, 198);
};
