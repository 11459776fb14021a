#include "ui/LayeredDialog.h"

#include "ui/Images.h"
#include "ui/StandardDialog.h"
#include "ui/TranslucentWnd.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

CLayeredDialog::CLayeredDialog(int backgroundId, QWidget *parent, const char *type)
    : CLayeredDialog(LoadImageResource(backgroundId, type), parent)
{
}

CLayeredDialog::CLayeredDialog(const QImage &background, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_background(background.convertToFormat(QImage::Format_ARGB32_Premultiplied))
{
    init();
}

CLayeredDialog::~CLayeredDialog()
{
    // Closing the window moves the keyboard off a child while QWidget's destructor runs,
    // when this object is no listener any more: the children must not call it then,
    for (const QPointer<CTranslucentWnd> &child : std::as_const(m_children)) {
        if (child) {
            child->SetRenderListener(nullptr);
            child->disconnect(this); // nor reach the window's slots
        }
    }
}

void CLayeredDialog::init()
{
    setAttribute(Qt::WA_TranslucentBackground);
    if (!m_background.isNull())
        setFixedSize(m_background.size());
}

void CLayeredDialog::setVisible(bool visible)
{
    if (visible && !m_created)
        Create();
    QWidget::setVisible(visible);
}

void CLayeredDialog::Create()
{
    if (m_created)
        return;
    m_created = true;
    if (m_center) {
        QScreen *screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect work = screen->availableGeometry();
            move(work.left() + (work.width() - width()) / 2, work.top() + (work.height() - height()) / 2);
        }
    }
    if (!m_background.isNull())
        setFixedSize(m_background.size());

    m_companion = CreateStandardDialog();
    if (m_companion) {
        if (m_companion->parentWidget() != this)
            m_companion->setParent(this);
        m_companion->setGeometry(rect());
        m_companion->Show();
        m_companion->raise();
    }
    InitTranslucentChildren();
    UpdateView();
}

void CLayeredDialog::AddTranslucentChild(CTranslucentWnd *child)
{
    if (!child)
        return;
    child->SetRenderListener(this);
    m_children.append(child);
}

void CLayeredDialog::UpdateView()
{
    ++m_updateRequests;
    update();
}

void CLayeredDialog::OnRenderChanged(CTranslucentWnd *)
{
    UpdateView();
}

void CLayeredDialog::Compose(QPainter &painter)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!m_background.isNull())
        painter.drawImage(QRect(QPoint(0, 0), m_background.size()), m_background);
    painter.restore();
    for (const QPointer<CTranslucentWnd> &child : std::as_const(m_children)) {
        if (child && child->visibleFlag()) {
            painter.save();
            child->Render(painter);
            painter.restore();
        }
    }
}

QImage CLayeredDialog::composeImage()
{
    QImage image(m_background.isNull() ? size() : m_background.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Compose(p);
    return image;
}

void CLayeredDialog::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    Compose(p);
    ++m_compositions;
}

void CLayeredDialog::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_companion)
        m_companion->setGeometry(rect());
}

void CLayeredDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_drag) {
        // The window manager moves the window where it can; otherwise follow the mouse.
        QWindow *handle = window()->windowHandle();
        if (!handle || !handle->startSystemMove()) {
            m_dragging = true;
            m_dragOffset = event->globalPosition().toPoint() - pos();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CLayeredDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CLayeredDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}
