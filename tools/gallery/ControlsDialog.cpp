#include "ControlsDialog.h"

#include "ui/LinkStatic.h"
#include "ui/NavList.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"
#include "ui/StatusLabel.h"

#include <QLabel>

namespace {

QLabel *caption(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: #808080;"));
    label->move(x, y);
    return label;
}

CSkinButton *skinButton(QWidget *parent, CSkinButton::Kind kind, int id, const QString &text, QRect geometry,
                        int group = 0)
{
    auto *b = new CSkinButton(kind, text, parent);
    b->setObjectName(QString::number(id));
    b->setGroup(group);
    b->setGeometry(geometry);
    if (kind == CSkinButton::Push)
        b->LoadImages({164, 163, 162}, true);
    else
        b->LoadImages({kind == CSkinButton::Radio ? 161 : 165});
    return b;
}

} // namespace

ControlsDialog::ControlsDialog(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Skinned controls"));
    setFixedSize(560, 400);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto *nav = new CNavList(this);
    nav->setObjectName(QStringLiteral("1073"));
    nav->setGeometry(12, 12, 110, 102);
    nav->AddItem(QStringLiteral("提醒设置"), 211);
    nav->AddItem(QStringLiteral("朗读设置"), 212);
    nav->AddItem(QStringLiteral("操作习惯"), 210);
    nav->AddItem(QStringLiteral("用户账户"), 209);
    nav->AddItem(QStringLiteral("关于"), 208);
    nav->SetCurSel(1);

    const int x = 140;
    caption(this, QStringLiteral("push"), x, 12);
    skinButton(this, CSkinButton::Push, 1, QStringLiteral("确定"), {x, 30, 75, 23});
    skinButton(this, CSkinButton::Push, 2, QStringLiteral("取消"), {x + 85, 30, 75, 23});
    skinButton(this, CSkinButton::Push, 1200, QStringLiteral("导入新词库"), {x + 170, 28, 110, 27});

    caption(this, QStringLiteral("radio"), x, 64);
    skinButton(this, CSkinButton::Radio, 1083, QStringLiteral("最小化到托盘"), {x, 82, 130, 18})->SetCheck(true);
    skinButton(this, CSkinButton::Radio, 1084, QStringLiteral("退出程序"), {x + 140, 82, 110, 18});
    skinButton(this, CSkinButton::Radio, 1086, QStringLiteral("学习新单词"), {x, 104, 130, 18}, 1)->SetCheck(true);
    auto *disabledRadio = skinButton(this, CSkinButton::Radio, 1087, QStringLiteral("复习(不可用)"), {x + 140, 104, 130, 18}, 1);
    disabledRadio->setEnabled(false);

    caption(this, QStringLiteral("check box"), x, 128);
    skinButton(this, CSkinButton::CheckBox, 1085, QStringLiteral("不再显示提示框，下次按照本次设置执行"), {x, 146, 300, 18});
    auto *disabledCheck = skinButton(this, CSkinButton::CheckBox, 1088, QStringLiteral("难词模式(不可用)"), {x, 168, 200, 18});
    disabledCheck->SetCheck(true);
    disabledCheck->setEnabled(false);

    caption(this, QStringLiteral("combo box / edit"), x, 192);
    auto *combo = new CSkinComboBox(this);
    combo->setObjectName(QStringLiteral("1054"));
    combo->setGeometry(x, 210, 150, 22);
    combo->LoadImages(166, QColor(0xAA, 0xAA, 0xAA), QColor(146, 146, 170));
    combo->AddItem(QStringLiteral("基础词汇"), 1);
    combo->AddItem(QStringLiteral("四级词汇"), 2);
    combo->AddItem(QStringLiteral("六级词汇"), 3);

    auto *edit = new CSkinEdit(this);
    edit->setObjectName(QStringLiteral("1013"));
    edit->setGeometry(x + 170, 206, 200, 30);
    edit->LoadImages(168, 167, 7, 7, true);
    edit->setText(QStringLiteral("vocabulary"));

    caption(this, QStringLiteral("progress 40 %"), x, 244);
    auto *progress = new CSkinProgressCtrl(this);
    progress->setObjectName(QStringLiteral("1040"));
    progress->setGeometry(x, 262, 250, 30);
    progress->LoadImages(169, 170, 3, 3);
    progress->SetRange(0, 100);
    progress->SetPos(40);

    caption(this, QStringLiteral("status labels (231 / 232)"), 12, 300);
    const QStringList texts = {QStringLiteral("拼写正确"), QStringLiteral("拼写错误"), QStringLiteral("请输入单词")};
    for (int kind = 0; kind < 3; ++kind) {
        auto *big = new CStatusLabel(231, this);
        big->setGeometry(12 + kind * 140, 318, 130, 22);
        big->SetStatus(kind, texts[kind]);
        auto *small = new CStatusLabel(232, this);
        small->setGeometry(12 + kind * 140, 344, 130, 18);
        small->SetStatus(kind, texts[kind]);
    }

    auto *link = new CLinkStatic(QStringLiteral("有新版本了，点击更新"), this);
    link->setObjectName(QStringLiteral("1072"));
    link->SetLink(QStringLiteral("https://example.org/"), true, QColor(0, 0, 255), QColor(160, 0, 160),
                  QColor(0, 102, 0));
    link->setGeometry(12, 370, 200, 20);
}
