#include "GalleryHome.h"

#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QHash>

namespace {

struct ButtonSetup
{
    int id;
    std::array<int, 5> images; // normal, disabled, hover, pressed, checked
    QPoint pos;
    bool disabled = false;
};

const ButtonSetup kButtons[] = {
    {1002, {152, 0, 151, 151, 0}, {379, 4}},
    {1003, {155, 155, 0, 0, 0}, {425, 4}, true},
    {1004, {150, 0, 149, 149, 0}, {471, 4}},
    {1047, {204, 0, 205, 205, 0}, {333, 4}},
    {1012, {201, 0, 202, 202, 0}, {287, 4}},
    {1007, {177, 0, 176, 175, 0}, {24, 130}},
    {1008, {180, 0, 179, 178, 0}, {120, 130}},
    {1009, {186, 0, 185, 184, 0}, {216, 130}},
    {1010, {183, 0, 182, 181, 0}, {312, 130}},
    {1011, {189, 0, 188, 187, 0}, {408, 130}},
};

QString helpText(int id)
{
    static const QHash<int, QString> texts = {
        {1007, QStringLiteral("拼写记忆单词")},
        {1008, QStringLiteral("多种方式检测你的记忆情况")},
        {1009, QStringLiteral("切换『学习/复习』模式")},
        {1010, QStringLiteral("切换选择词库")},
        {1011, QStringLiteral("学习情况统计")},
    };
    return texts.value(id);
}

} // namespace

GalleryHome::GalleryHome(QWidget *parent)
    : CLayeredDialog(146, parent)
{
    setWindowTitle(QStringLiteral("Quillora gallery"));
    for (const ButtonSetup &setup : kButtons) {
        auto *b = new CTranslucentButton(this);
        b->setObjectName(QString::number(setup.id));
        b->move(setup.pos);
        b->setEnabled(!setup.disabled);
        connect(b, &CTranslucentButton::hoverHelp, this, &GalleryHome::showHelp);
        m_buttons.append(b);
    }
    m_help = new CTranslucentLabel(this);
    m_help->setObjectName(QStringLiteral("1027"));
    m_help->setGeometry(24, 326, 330, 20);
    m_version = new CTranslucentLabel(this);
    m_version->setObjectName(QStringLiteral("1070"));
    m_version->setGeometry(400, 326, 110, 20);
}

CTranslucentButton *GalleryHome::button(int id) const
{
    return findChild<CTranslucentButton *>(QString::number(id));
}

CStandardDialog *GalleryHome::CreateStandardDialog()
{
    return new CStandardDialog(0xFF00FF, this);
}

void GalleryHome::InitTranslucentChildren()
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i]->LoadImages(kButtons[i].images);
        AddTranslucentChild(m_buttons[i]);
    }
    AddTranslucentChild(m_help);
    AddTranslucentChild(m_version);
    m_version->SetText(QStringLiteral("当前版本 v1.00"));
}

void GalleryHome::showHelp(bool resting, int id)
{
    if (!resting) {
        m_help->SetText(QString());
        return;
    }
    const QString text = helpText(id);
    if (!text.isEmpty())
        m_help->SetText(text);
}
