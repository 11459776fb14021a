#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>

#include <functional>

// A label that works as a hyperlink: hand cursor, hover colour, and once clicked the
// visited colour. The target is a web or mail address, or a file the program itself
// names, and is opened by the desktop. Addresses of any other kind (file:, javascript:,
// smb: ...) may come from files or the network and are never handed to the desktop.
class CLinkStatic : public QLabel
{
    Q_OBJECT

public:
    explicit CLinkStatic(QWidget *parent = nullptr);
    explicit CLinkStatic(const QString &text, QWidget *parent = nullptr);

    void SetLink(const QString &target, bool underline, const QColor &normal, const QColor &visited,
                 const QColor &hover);

    QString target() const { return m_target; }
    bool isVisited() const { return m_visited; }
    bool isHovered() const { return m_hover; }
    // The colour the text is drawn in now.
    QColor currentColor() const;

    // Replaces the desktop launcher, so tests need not start a browser. Pass {} to restore.
    using Opener = std::function<bool(const QUrl &)>;
    static void setOpener(Opener opener);

    // How a target is turned into an address: URLs as they are, anything else a file.
    static QUrl urlForTarget(const QString &target);
    // The addresses a link may open: http, https and mailto.
    static bool isAllowedScheme(const QUrl &url);
    // Opens a target as a click on a link does; false when it is refused or cannot be
    // opened. For the program's other buttons that open addresses.
    static bool openTarget(const QString &target);

Q_SIGNALS:
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyLook();

    QString m_target;
    bool m_underline = false;
    QColor m_normal = QColor(0, 0, 255);
    QColor m_visitedColor = QColor(160, 0, 160);
    QColor m_hoverColor = QColor(0, 102, 0);
    bool m_hover = false;
    bool m_visited = false;
};
