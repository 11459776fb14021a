#include "ui/StandardDialog.h"

#include "ui/Control.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QKeyEvent>

CStandardDialog::CStandardDialog(QRgb keyColor, QWidget *parent)
    : QWidget(parent)
    , m_keyColor(keyColor)
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    updateMask();
}

void CStandardDialog::Show()
{
    for (int id : {1, 2}) {
        if (auto *button = control<QAbstractButton>(this, id)) {
            if (id == 1)
                connect(button, &QAbstractButton::clicked, this, &CStandardDialog::OnOK, Qt::UniqueConnection);
            else
                connect(button, &QAbstractButton::clicked, this, &CStandardDialog::OnCancel, Qt::UniqueConnection);
        }
    }
    show();
}

namespace {
bool shownIn(const QWidget *parent, const QWidget *child)
{
    if (child->isWindow())
        return false;
    if (parent->isVisible())
        return child->isVisible();
    // Before the companion is first shown, children count unless explicitly hidden.
    return !(child->testAttribute(Qt::WA_WState_ExplicitShowHide) && child->testAttribute(Qt::WA_WState_Hidden));
}
} // namespace

QRegion CStandardDialog::childrenRegion() const
{
    QRegion region;
    for (QObject *o : children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (w && shownIn(this, w))
            region += w->geometry();
    }
    return region;
}

void CStandardDialog::updateMask()
{
    QRegion region = childrenRegion();
    // An empty region would remove the mask and let the companion take every click;
    // a pixel outside the widget masks all of it.
    if (region.isEmpty())
        region = QRegion(-1, -1, 1, 1);
    if (mask() != region)
        setMask(region);
}

void CStandardDialog::childEvent(QChildEvent *event)
{
    QWidget::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    else if (event->removed())
        event->child()->removeEventFilter(this);
    if (event->added() || event->removed())
        updateMask();
}

bool CStandardDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched->parent() == this) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::Move:
        case QEvent::Resize:
            updateMask();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CStandardDialog::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Polish)
        updateMask();
    return result;
}

void CStandardDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OnOK();
        event->accept();
        return;
    case Qt::Key_Escape:
        OnCancel();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CStandardDialog::closeParentAndHide()
{
    if (QWidget *layered = parentWidget())
        layered->close();
    hide();
}

void CStandardDialog::OnOK()
{
    closeParentAndHide();
}

void CStandardDialog::OnCancel()
{
    closeParentAndHide();
}
