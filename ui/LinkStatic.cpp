#include "ui/LinkStatic.h"

#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
CLinkStatic::Opener &opener()
{
    static CLinkStatic::Opener o;
    return o;
}
} // namespace

CLinkStatic::CLinkStatic(QWidget *parent)
    : CLinkStatic(QString(), parent)
{
}

CLinkStatic::CLinkStatic(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    // Reached by Tab and opened by Enter or Space, as links are without a mouse.
    setFocusPolicy(Qt::TabFocus);
    applyLook();
}

void CLinkStatic::setOpener(Opener o)
{
    opener() = std::move(o);
}

bool CLinkStatic::isAllowedScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
}

void CLinkStatic::SetLink(const QString &address, bool underline, const QColor &normal, const QColor &visited,
                          const QColor &hover)
{
    setTarget(address, false, underline, normal, visited, hover);
}

void CLinkStatic::SetOwnFile(const QString &path, bool underline, const QColor &normal, const QColor &visited,
                             const QColor &hover)
{
    setTarget(path, true, underline, normal, visited, hover);
}

void CLinkStatic::setTarget(const QString &target, bool ownFile, bool underline, const QColor &normal,
                            const QColor &visited, const QColor &hover)
{
    m_target = target;
    m_ownFile = ownFile;
    m_underline = underline;
    m_normal = normal;
    m_visitedColor = visited;
    m_hoverColor = hover;
    applyLook();
}

QColor CLinkStatic::currentColor() const
{
    if (m_visited)
        return m_visitedColor;
    return m_hover ? m_hoverColor : m_normal;
}

void CLinkStatic::applyLook()
{
    QFont f = font();
    if (f.underline() != m_underline) {
        f.setUnderline(m_underline);
        setFont(f);
    }
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, currentColor());
    setPalette(pal);
    update();
}

void CLinkStatic::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    applyLook();
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent *event)
{
    m_hover = false;
    applyLook();
    QLabel::leaveEvent(event);
}

bool CLinkStatic::openAddress(const QString &address)
{
    const QUrl url(address.trimmed());
    if (!url.isValid() || !isAllowedScheme(url))
        return false;
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

bool CLinkStatic::openOwnFile(const QString &path)
{
    // The desktop launcher starts detached and rarely reports a missing file itself.
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isFile())
        return false;
    const QUrl url = QUrl::fromLocalFile(path);
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void CLinkStatic::activate()
{
    if (!m_target.isEmpty() && !(m_ownFile ? openOwnFile(m_target) : openAddress(m_target)))
        MessageBox::warning(parentWidget(), QStringLiteral("提供的超级链接或者制定的文件无法执行"));
    m_visited = true;
    applyLook();
    Q_EMIT clicked();
}

void CLinkStatic::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            activate();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void CLinkStatic::focusInEvent(QFocusEvent *event)
{
    update();
    QLabel::focusInEvent(event);
}

void CLinkStatic::focusOutEvent(QFocusEvent *event)
{
    update();
    QLabel::focusOutEvent(event);
}

void CLinkStatic::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (hasFocus()) {
        QPainter p(this);
        QPen dotted(currentColor());
        dotted.setStyle(Qt::DotLine);
        p.setPen(dotted);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CLinkStatic::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    activate();
    QLabel::mousePressEvent(event);
}
