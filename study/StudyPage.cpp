#include "study/StudyPage.h"

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "users/UserRecord.h"

#include <QPainter>

CStudyPage::CStudyPage(const QString &title, QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CStudyPage::setInPlace(bool inPlace)
{
    if (m_inPlace == inPlace)
        return;
    m_inPlace = inPlace;
    update();
}

void CStudyPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!m_inPlace)
        return;
    p.setPen(QColor(0xA8, 0xA8, 0xA8));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(0xF4, 0xF4, 0xF4));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}

void CStudyPage::showStoreError(const CppSQLite3Exception &e)
{
    MessageBox::storeError(this, e);
}

void CStudyPage::storeUserOption(const char *column, int &field, bool on)
{
    field = on ? 1 : 0;
    try {
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET %s = %d WHERE uid = %d;", column, field, theUser.uid).constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
}
