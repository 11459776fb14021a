#pragma once

#include "ui/Images.h"

#include <QImage>
#include <QProgressBar>

// A progress bar drawn from a marker-scaled background and a bar picture stretched
// between a left and a right inset.
class CSkinProgressCtrl : public QProgressBar
{
    Q_OBJECT

public:
    explicit CSkinProgressCtrl(QWidget *parent = nullptr);

    bool LoadImages(int backgroundId, int barId, int leftInset, int rightInset, QRgb key = kMarkerColor,
                    const char *type = "PNG");
    void SetImages(const QImage &background, const QImage &bar, int leftInset, int rightInset,
                   QRgb key = kMarkerColor);

    void SetRange(int lower, int upper) { setRange(lower, upper); }
    void SetPos(int pos) { setValue(pos); }
    int GetPos() const { return value(); }

    // Where the bar is drawn for the current position (empty at the lower bound).
    QRect barRect() const;
    QImage renderImage() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void prepareBackground();

    QImage m_backgroundSource;
    QImage m_background; // already scaled and laid over white
    QImage m_bar;
    int m_left = 0;
    int m_right = 0;
    QRgb m_key = kMarkerColor;
};
