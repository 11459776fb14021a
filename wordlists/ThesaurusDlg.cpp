#include "wordlists/ThesaurusDlg.h"

#include "platform/AnsiText.h"
#include "ui/AppLook.h"
#include "ui/DialogKeys.h"
#include "platform/MessageBox.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"
#include "wordlists/ImportWordList.h"
#include "wordlists/WordListStore.h"

#include <QAbstractItemView>
#include <QCollator>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString noneSelectedText() { return QStringLiteral("请选择一个词库"); }
QString noneToDeleteText() { return QStringLiteral("请选择词库进行删除"); }
QString inUseText() { return QStringLiteral("您正在使用本词库，请先切换词库"); }

// A caption button with its Alt shortcut; the skinned button paints its text as it
// stands, so the mnemonic is shown as a plain "(H)" and bound here.
CSkinButton *captionButton(QWidget *parent, int id, const QString &text, Qt::Key key)
{
    auto *button = new CSkinButton(CSkinButton::Push, text, parent);
    button->setObjectName(QString::number(id));
    button->setShortcut(QKeySequence(Qt::ALT | key));
    button->LoadImages({164, 163, 162}, true);
    const QFontMetrics fm(button->font());
    button->setFixedSize(std::max(80, fm.horizontalAdvance(text) + 28), std::max(25, fm.height() + 10));
    return button;
}

CSkinButton *imageButton(QWidget *parent, int id, const QList<int> &images, const QString &help)
{
    auto *button = new CSkinButton(CSkinButton::Push, parent);
    button->setObjectName(QString::number(id));
    button->LoadImages(images);
    const QSize size = button->frames().isEmpty() ? QSize(26, 26) : button->frames().first().size();
    button->setFixedSize(size);
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

CThesaurusDlg::CThesaurusDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareDialog(this, IDD, QStringLiteral("选择词库"));

    createControls();
    connectHandlers();

    // Only administrators may delete lists.
    m_delete->setVisible(theUser.type != 0);
    FillList();
}

void CThesaurusDlg::createControls()
{
    auto *label = new QLabel(QStringLiteral("词库列表："), this);

    m_lists = new CSkinComboBox(this);
    m_lists->setAccessibleName(QStringLiteral("词库列表"));
    m_lists->setObjectName(QString::number(IDC_LISTS));
    label->setBuddy(m_lists);
    m_lists->LoadImages(166, QColor(0xAA, 0xAA, 0xAA), QColor(0x92, 0x92, 0xAA));
    m_lists->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_lists->setMinimumWidth(220);
    // A very long list name is cut rather than stretching the dialog off the screen.
    m_lists->setMaximumWidth(480);
    m_lists->setFixedHeight(std::max(24, m_lists->fontMetrics().height() + 8));

    m_import = imageButton(this, IDC_IMPORT, {197, 196, 195}, QStringLiteral("导入词库"));
    m_delete = imageButton(this, IDC_DELETE, {230, 229, 228}, QStringLiteral("删除所选词库"));
    m_delete->hide();

    m_status = new CStatusLabel(231, this);
    m_status->setObjectName(QString::number(IDC_STATUS));
    {
        // Room for the icon and the longest message the dialog shows.
        const QFontMetrics fm(m_status->font());
        int widest = 0;
        for (const QString &text : {noneSelectedText(), noneToDeleteText(), inUseText()})
            widest = std::max(widest, fm.horizontalAdvance(text));
        m_status->setMinimumSize(20 + 3 + widest + 4, std::max(20, fm.height() + 2));
    }

    m_choose = captionButton(this, IDOK, QStringLiteral("选择(H)"), Qt::Key_H);
    m_cancel = captionButton(this, IDCANCEL, QStringLiteral("取消(C)"), Qt::Key_C);

    auto *listRow = new QHBoxLayout;
    listRow->setSpacing(6);
    listRow->addWidget(label);
    listRow->addWidget(m_lists, 1);
    listRow->addSpacing(4);
    listRow->addWidget(m_import);
    listRow->addWidget(m_delete);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(10);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_choose);
    buttonRow->addWidget(m_cancel);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 16, 16, 14);
    root->setSpacing(10);
    root->addLayout(listRow);
    root->addWidget(m_status);
    root->addLayout(buttonRow);
    root->setSizeConstraint(QLayout::SetFixedSize);

    m_lists->setFocus();
}

void CThesaurusDlg::connectHandlers()
{
    connect(m_choose, &CSkinButton::clicked, this, &CThesaurusDlg::OnChoose);
    connect(m_cancel, &CSkinButton::clicked, this, &CThesaurusDlg::reject);
    connect(m_import, &CSkinButton::clicked, this, &CThesaurusDlg::OnImport);
    connect(m_delete, &CSkinButton::clicked, this, &CThesaurusDlg::OnDelete);
}

void CThesaurusDlg::FillList()
{
    struct Item
    {
        QString text;
        int tid;
    };
    QList<Item> items;
    try {
        CppSQLite3Cursor row = theDatabase.query(
            "SELECT tid, name, (SELECT count(*) FROM words_tbl w WHERE w.tid = t.tid) AS WordCnt FROM ThesaurusInfo_tbl t;");
        for (; !row.eof(); row.next())
            items.append({ansi::toUnicode(row.stringValue(1)) + QStringLiteral(" (") + QString::number(row.intValue(2))
                              + QStringLiteral("个)"),
                          row.intValue(0)});
    } catch (const CppSQLite3Exception &e) {
        // The lists read so far are still offered.
        MessageBox::storeError(this, e);
    }

    // The Chinese order: Chinese names by pinyin, then Latin ones regardless of case.
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(items.begin(), items.end(),
                     [&collator](const Item &a, const Item &b) { return collator.compare(a.text, b.text) < 0; });

    m_lists->clear();
    for (const Item &item : std::as_const(items))
        m_lists->AddItem(item.text, item.tid);
    // The user picks on purpose, even the list in use.
    m_lists->setCurrentIndex(-1);
    m_lists->view()->setMinimumWidth(m_lists->view()->sizeHintForColumn(0) + 8);
}

void CThesaurusDlg::OnChoose()
{
    m_status->SetStatus(CStatusLabel::None, {});
    const int index = m_lists->currentIndex();
    if (index < 0) {
        m_status->SetStatus(CStatusLabel::Error, noneSelectedText());
        return;
    }
    const int tid = m_lists->itemInt(index);
    try {
        const int count = wordlists::chooseList(theDatabase, theUser.uid, tid);
        theUser.tid = tid;
        theUser.count = count;
    } catch (const CppSQLite3Exception &e) {
        // The choice was not stored and the record keeps the old list: stay, so the
        // user can try again or cancel, instead of going on as if a list were chosen.
        MessageBox::storeError(this, e);
        return;
    }
    accept();
}

void CThesaurusDlg::OnImport()
{
    m_status->SetStatus(CStatusLabel::None, {});
    if (!ImportWordList(this))
        return;
    FillList();
    m_status->SetStatus(CStatusLabel::Notice, QStringLiteral("添加词库成功"));
}

void CThesaurusDlg::OnDelete()
{
    m_status->SetStatus(CStatusLabel::None, {});
    if (theUser.type == 0)
        return;
    const int index = m_lists->currentIndex();
    if (index < 0) {
        m_status->SetStatus(CStatusLabel::Error, noneToDeleteText());
        return;
    }
    const int tid = m_lists->itemInt(index);
    if (tid == theUser.tid) {
        m_status->SetStatus(CStatusLabel::Error, inUseText());
        return;
    }
    try {
        wordlists::deleteList(theDatabase, tid);
    } catch (const CppSQLite3Exception &e) {
        // Rolled back: the list is still there, and so is its item.
        MessageBox::storeError(this, e);
        return;
    }
    FillList();
    m_status->SetStatus(CStatusLabel::Notice, QStringLiteral("删除词库成功"));
}

void CThesaurusDlg::keyPressEvent(QKeyEvent *event)
{
    if (!pressForEnter(event, m_choose))
        QDialog::keyPressEvent(event);
}
