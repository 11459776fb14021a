#include "ui/External.h"

CExternal::CExternal(QObject *parent)
    : QObject(parent)
{
}

void CExternal::ShowDlg()
{
    ++m_calls;
    Q_EMIT showDlgCalled();
}
