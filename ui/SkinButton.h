#pragma once

#include "ui/Images.h"

#include <QAbstractButton>
#include <QImage>
#include <QList>

// A push button, radio button or check box drawn from skin pictures on white.
class CSkinButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(int group READ group WRITE setGroup)

public:
    enum Kind { NoKind = -1, Push = 0, Radio = 1, CheckBox = 2 };
    Q_ENUM(Kind)

    explicit CSkinButton(Kind kind = Push, QWidget *parent = nullptr);
    CSkinButton(Kind kind, const QString &text, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    // Radio buttons exclude each other among siblings with the same group number.
    int group() const { return m_group; }
    void setGroup(int group) { m_group = group; }

    // Push: normal, hover and pressed picture ids, marker-scaled to the button when
    // `stretch`. Radio/check box: one strip id of unchecked, unchecked-hover and check mark.
    bool LoadImages(const QList<int> &ids, bool stretch = false, QRgb key = kMarkerColor, const char *type = "PNG");
    bool SetImages(const QList<QImage> &sources, bool stretch = false, QRgb key = kMarkerColor);

    void SetCheck(bool checked);
    bool GetCheck() const { return isChecked(); }
    void SetText(const QString &text);

    // Push frames: 0 normal, 1 hover, 2 pressed. Radio/check box: 0 unchecked,
    // 1 unchecked hover, 2 checked, 3 checked hover.
    const QList<QImage> &frames() const;
    int currentFrame() const;
    bool isHovered() const { return m_hover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void nextCheckState() override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void rebuildFrames() const;
    void checkExclusively();

    Kind m_kind;
    int m_group = 0;
    bool m_hover = false;
    bool m_toggledByPress = false;
    bool m_stretch = false;
    QRgb m_key = kMarkerColor;
    QList<QImage> m_sources;
    mutable QList<QImage> m_frames;
    mutable QSize m_framesSize;
};

// The id of the first checked skinned button among the controls firstId..lastId of
// `dialog`, or 0 when none is checked.
int firstCheckedInRange(QWidget *dialog, int firstId, int lastId);
