#pragma once

#include <QImage>
#include <QList>
#include <QRgb>
#include <QString>
#include <QWidget>

class CppSQLite3Exception;
class CQuilloraDlg;
class CSkinButton;

// One page of the settings dialog: a white child panel with a title bar (icon and
// title) over the page's own controls. Each page loads its values from the user record
// when made; the dialog validates all pages first and saves all of them only when every
// one is valid.
class CSettingsPage : public QWidget
{
    Q_OBJECT
public:
    // The title bar runs from (2, 2) to (width - 2, 22); controls start below it.
    static constexpr int kTitleBarTop = 2;
    static constexpr int kTitleBarBottom = 22;

    CSettingsPage(int id, const QString &title, int iconId, CQuilloraDlg *mainWindow, QWidget *parent);

    // True when the page's input may be saved; otherwise message() says why.
    virtual bool Validate() { return true; }
    // Writes the page's input into the user record and the store; a store failure is
    // shown and the other pages are saved all the same.
    virtual void Save() {}

    QString message() const { return m_message; }
    QString title() const { return m_title; }

    // The colours of the title bar's bands, top to bottom, for a bar `height` high.
    static QList<QRgb> titleBarBands(int height);
    // A skinned push button as wide as its caption needs.
    static CSkinButton *pushButton(const QString &text, int id, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    // Shows the store's failure text.
    void showStoreError(const CppSQLite3Exception &e);
    // Margins that keep a page's layout inside the frame and under the title bar.
    void setPageMargins(class QLayout *layout) const;

    QString m_message;
    CQuilloraDlg *m_main;

private:
    QString m_title;
    QImage m_icon;
};
