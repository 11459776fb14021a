#pragma once

#include "ui/RenderListener.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

#include "ui/StandardDialog.h"
class CTranslucentWnd;

// A frameless, per-pixel translucent window whose whole look is its background
// picture with its translucent children drawn over it. An ordinary companion widget
// (CStandardDialog) lies exactly over it and carries the ordinary controls.
class CLayeredDialog : public QWidget, public IRenderListener
{
    Q_OBJECT

public:
    explicit CLayeredDialog(int backgroundId, QWidget *parent = nullptr, const char *type = "PNG");
    explicit CLayeredDialog(const QImage &background, QWidget *parent = nullptr);
    ~CLayeredDialog() override;

    // Places and sizes the window, creates the companion and the translucent children
    // and composes the first picture. Runs once, at the latest when first shown.
    void Create();
    bool isCreated() const { return m_created; }

    void AddTranslucentChild(CTranslucentWnd *child);
    const QList<QPointer<CTranslucentWnd>> &translucentChildren() const { return m_children; }
    // Asks for the picture to be composed again (coalesced into one repaint).
    void UpdateView();
    void OnRenderChanged(CTranslucentWnd *child) override;

    // Composes the background and the visible translucent children.
    void Compose(QPainter &painter);
    QImage composeImage();

    const QImage &background() const { return m_background; }
    CStandardDialog *companion() const { return m_companion; }
    void setDragEnabled(bool on) { m_drag = on; }
    bool dragEnabled() const { return m_drag; }
    void setCentered(bool on) { m_center = on; }

    // Test seams: how often a picture was asked for, and how often one was composed.
    int updateRequests() const { return m_updateRequests; }
    int compositions() const { return m_compositions; }

    void setVisible(bool visible) override;

protected:
    // Creates and returns the companion (this window becomes its parent), or null.
    virtual CStandardDialog *CreateStandardDialog() = 0;
    // Loads the translucent children's images and registers them.
    virtual void InitTranslucentChildren() = 0;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void init();

    QImage m_background;
    bool m_drag = true;
    bool m_center = true;
    bool m_created = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
    QPointer<CStandardDialog> m_companion;
    QList<QPointer<CTranslucentWnd>> m_children;
    int m_updateRequests = 0;
    int m_compositions = 0;
};
