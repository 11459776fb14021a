#pragma once

#include "ui/RenderListener.h"

#include <QImage>
#include <QList>
#include <QWidget>

class QPainter;

// A child of the layered window that never paints on screen: the layered window asks
// it to Render() into its picture, and it asks for a new picture when its look changes.
class CTranslucentWnd : public QWidget
{
    Q_OBJECT

public:
    explicit CTranslucentWnd(QWidget *parent = nullptr);

    // Draws this control into the parent's picture at its own geometry.
    virtual void Render(QPainter &painter) = 0;
    // Re-evaluates the look; by default tells the listener that something changed.
    virtual void UpdateState();

    void SetRenderListener(IRenderListener *listener) { m_listener = listener; }
    IRenderListener *renderListener() const { return m_listener; }

    bool disabledFlag() const { return m_disabled; }
    bool visibleFlag() const { return m_visible; }
    const QList<QImage> &images() const { return m_images; }

protected:
    void NotifyRenderChanged();
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    QList<QImage> m_images;

private:
    void refreshFlags();
    bool explicitlyVisible() const;

    IRenderListener *m_listener = nullptr;
    bool m_disabled = false;
    bool m_visible = true;
    bool m_notified = false;
};
