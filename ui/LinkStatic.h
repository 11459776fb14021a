#pragma once

#include <QColor>
#include <QLabel>
#include <QUrl>

#include <functional>

// A label that works as a hyperlink: hand cursor, hover colour, and once clicked the
// visited colour. It opens a web or mail address (http, https, mailto) through the
// desktop; anything else (a file: or javascript: address, a plain path, smb: ...) may
// come from files or the network and is refused. The one exception is a file the
// program installed itself, named as such with SetOwnFile.
class CLinkStatic : public QLabel
{
    Q_OBJECT

public:
    explicit CLinkStatic(QWidget *parent = nullptr);
    explicit CLinkStatic(const QString &text, QWidget *parent = nullptr);

    // A web or mail address.
    void SetLink(const QString &address, bool underline, const QColor &normal, const QColor &visited,
                 const QColor &hover);
    // A file of the program's own installation (its help page), opened as a local file.
    void SetOwnFile(const QString &path, bool underline, const QColor &normal, const QColor &visited,
                    const QColor &hover);

    QString target() const { return m_target; }
    bool targetIsOwnFile() const { return m_ownFile; }
    bool isVisited() const { return m_visited; }
    bool isHovered() const { return m_hover; }
    // The colour the text is drawn in now.
    QColor currentColor() const;

    // Replaces the desktop launcher, so tests need not start a browser. Pass {} to restore.
    using Opener = std::function<bool(const QUrl &)>;
    static void setOpener(Opener opener);

    // The addresses a link may open: http, https and mailto.
    static bool isAllowedScheme(const QUrl &url);
    // Opens a web or mail address as a click on a link does; false when it is refused
    // or cannot be opened. For the program's other buttons that open addresses.
    static bool openAddress(const QString &address);
    // Opens a file the program installed (an absolute path); false when it is missing.
    static bool openOwnFile(const QString &path);

    // What a click does: opens the target (or says it cannot), marks the link visited
    // and emits clicked().
    void activate();

Q_SIGNALS:
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyLook();
    void setTarget(const QString &target, bool ownFile, bool underline, const QColor &normal, const QColor &visited,
                   const QColor &hover);

    QString m_target;
    bool m_ownFile = false;
    bool m_underline = false;
    QColor m_normal = QColor(0, 0, 255);
    QColor m_visitedColor = QColor(160, 0, 160);
    QColor m_hoverColor = QColor(0, 102, 0);
    bool m_hover = false;
    bool m_visited = false;
};
