#include "ui/TranslucentWnd.h"

#include <QEvent>

CTranslucentWnd::CTranslucentWnd(QWidget *parent)
    : QWidget(parent)
{
    m_visible = explicitlyVisible();
    m_disabled = !isEnabled();
}

bool CTranslucentWnd::explicitlyVisible() const
{
    // A child stays "hidden" until its window is first shown; only an explicit hide()
    // clears the flag, as the control's own visible style would.
    return !(testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden));
}

void CTranslucentWnd::UpdateState()
{
    NotifyRenderChanged();
}

void CTranslucentWnd::NotifyRenderChanged()
{
    m_notified = true;
    if (m_listener)
        m_listener->OnRenderChanged(this);
}

void CTranslucentWnd::refreshFlags()
{
    const bool visible = explicitlyVisible();
    const bool disabled = !isEnabled();
    if (visible == m_visible && disabled == m_disabled)
        return;
    m_visible = visible;
    m_disabled = disabled;
    // Visibility is not part of a button's image choice, so make sure the picture is
    // composed again even when UpdateState finds the same image.
    m_notified = false;
    UpdateState();
    if (!m_notified)
        NotifyRenderChanged();
}

bool CTranslucentWnd::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::EnabledChange:
        refreshFlags();
        break;
    default:
        break;
    }
    return result;
}

void CTranslucentWnd::paintEvent(QPaintEvent *)
{
    // Drawn by the layered parent's composition only.
}
