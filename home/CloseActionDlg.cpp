#include "home/CloseActionDlg.h"

#include "ui/SkinButton.h"
#include "ui/AppLook.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CCloseActionDlg::CCloseActionDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareDialog(this, 199, QStringLiteral("关闭项作用"));

    auto *prompt = new QLabel(QStringLiteral("您按下了关闭按钮，你是想："), this);
    m_toTray = new CSkinButton(CSkinButton::Radio, QStringLiteral("最小化到托盘"), this);
    m_exit = new CSkinButton(CSkinButton::Radio, QStringLiteral("退出程序"), this);
    m_dontAskBox = new CSkinButton(CSkinButton::CheckBox, QStringLiteral("不再显示提示框，下次按照本次设置执行"), this);
    m_ok = new CSkinButton(CSkinButton::Push, QStringLiteral("确定"), this);
    m_cancel = new CSkinButton(CSkinButton::Push, QStringLiteral("取消"), this);
    m_toTray->setObjectName(QString::number(IDC_TO_TRAY));
    m_exit->setObjectName(QString::number(IDC_EXIT));
    m_dontAskBox->setObjectName(QString::number(IDC_DONT_ASK));
    m_ok->setObjectName(QStringLiteral("1"));
    m_cancel->setObjectName(QStringLiteral("2"));
    for (CSkinButton *radio : {m_toTray, m_exit})
        radio->LoadImages({161});
    m_dontAskBox->LoadImages({165});
    for (CSkinButton *push : {m_ok, m_cancel}) {
        push->setFixedSize(75, 25);
        push->LoadImages({164, 163, 162}, true);
    }
    m_toTray->SetCheck(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(8);
    layout->addWidget(prompt);
    auto *choices = new QVBoxLayout;
    choices->setContentsMargins(16, 0, 0, 0);
    choices->addWidget(m_toTray);
    choices->addWidget(m_exit);
    layout->addLayout(choices);
    layout->addSpacing(4);
    layout->addWidget(m_dontAskBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));

    connectHandlers();
}

void CCloseActionDlg::connectHandlers()
{
    connect(m_ok, &QAbstractButton::clicked, this, &CCloseActionDlg::accept);
    connect(m_cancel, &QAbstractButton::clicked, this, &CCloseActionDlg::reject);
}

void CCloseActionDlg::accept()
{
    m_chosen = firstCheckedInRange(this, IDC_TO_TRAY, IDC_EXIT);
    m_dontAsk = m_dontAskBox->GetCheck();
    QDialog::accept();
}
