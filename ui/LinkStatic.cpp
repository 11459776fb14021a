#include "ui/LinkStatic.h"

#include "platform/MessageBox.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

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
    applyLook();
}

void CLinkStatic::setOpener(Opener o)
{
    opener() = std::move(o);
}

QUrl CLinkStatic::urlForTarget(const QString &target)
{
    const QUrl url(target);
    if (url.isValid() && url.scheme().size() > 1) // a one-letter scheme is a drive, not a URL
        return url;
    return QUrl::fromLocalFile(QFileInfo(QDir::current(), target).absoluteFilePath());
}

bool CLinkStatic::isAllowedScheme(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
}

void CLinkStatic::SetLink(const QString &target, bool underline, const QColor &normal, const QColor &visited,
                          const QColor &hover)
{
    m_target = target;
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

bool CLinkStatic::openTarget(const QString &target)
{
    const QUrl url = urlForTarget(target);
    // A plain path is the program's own file; written as a file: address it could
    // have come from anywhere.
    const bool ownFile = url.isLocalFile() && QUrl(target).scheme().size() <= 1;
    if (!ownFile && !isAllowedScheme(url))
        return false;
    // The desktop launcher starts detached and rarely reports a missing file itself.
    if (ownFile && !QFileInfo::exists(url.toLocalFile()))
        return false;
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}

void CLinkStatic::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (!m_target.isEmpty() && !openTarget(m_target))
        MessageBox::warning(parentWidget(), QStringLiteral("提供的超级链接或者制定的文件无法执行"));
    m_visited = true;
    applyLook();
    Q_EMIT clicked();
    QLabel::mousePressEvent(event);
}
