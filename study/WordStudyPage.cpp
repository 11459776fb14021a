#include "study/WordStudyPage.h"

#include "study/WordDisplay.h"
#include "ui/Control.h"
#include "ui/FittedLabel.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"

CWordStudyPage::CWordStudyPage(const QString &title, QWidget *parent)
    : CStudyPage(title, parent)
{
    // Fixed places within the 490 x 276 content rectangle: while a page slides in it is
    // cut off at the right rather than squeezed.
    m_display = named(new CWordDisplay(this), IdWord);
    m_speak = named(new CSkinButton(CSkinButton::Push, this), IdSpeak);
    m_speak->setToolTip(QStringLiteral("朗读"));
    m_speak->LoadImages({173, 172, 171});
    m_phonetic = named(new CFittedLabel(QStringLiteral("音标"), this), IdPhonetic);
    m_phonetic->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont phonetic(QStringLiteral("ZARaviduzi"));
    phonetic.setPointSize(12);
    m_phonetic->setFont(phonetic);
    placeWordBlock(8);

    m_edit = named(new CSkinEdit(this), IdEdit);
    m_edit->setAccessibleName(QStringLiteral("拼写单词"));
    m_edit->LoadImages(168, 167, 7, 7);
    // 0xFF0000 in the skin's 0x00BBGGRR notation: blue.
    m_edit->SetTextColor(QColor(0, 0, 255));
    m_edit->SetFont(10, QStringLiteral("Comic Sans MS"), 400);

    m_progress = named(new CSkinProgressCtrl(this), IdProgress);
    m_progress->setAccessibleName(QStringLiteral("进度"));
    m_progress->setGeometry(14, 250, 300, 18);
    m_progress->LoadImages(169, 170, 3, 3);
    m_progress->SetRange(0, 100);
    m_progressText = named(new QLabel(QStringLiteral("100 / 100"), this), IdProgressText);
    m_progressText->setGeometry(324, 249, 84, 20);
    m_progressText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_back = named(new CSkinButton(CSkinButton::Push, this), IdBack);
    m_back->setGeometry(414, 240, 62, 28);
    m_back->setToolTip(QStringLiteral("返回"));
    m_back->LoadImages({192, 191, 190});

    connect(m_speak, &CSkinButton::clicked, this, [this] {
        if (host())
            host()->Speak(m_display->word());
    });
}

void CWordStudyPage::placeWordBlock(int top)
{
    // The word and the spelling cursor (from y 1, 56 high) need 58 pixels.
    m_display->setGeometry(14, top, 462, 58);
    m_speak->setGeometry(14, top + 61, 22, 22);
    m_phonetic->setGeometry(42, top + 60, 434, 24);
}

void CWordStudyPage::placeOptionBoxes(CSkinButton *first, CSkinButton *second, int y)
{
    for (CSkinButton *box : {first, second}) {
        box->LoadImages({165});
        box->resize(box->sizeHint());
    }
    first->move(14, y);
    second->move(first->geometry().right() + 18, y);
}

void CWordStudyPage::showProgress(int position, int total)
{
    const int shown = std::min(position, total);
    m_progressText->setText(QStringLiteral("%1 / %2").arg(shown).arg(total));
    // An empty list has nothing to show progress on.
    m_progress->SetPos(total > 0 ? int(double(shown) / total * 100) : 0);
}

void CWordStudyPage::describeQuestion(const QStringList &forEdit, const QStringList &forPage)
{
    const auto spoken = [this](QStringList parts) {
        parts.removeAll(QString());
        if (parts.isEmpty())
            return QString();
        parts << m_progressText->text();
        return parts.join(QStringLiteral("，"));
    };
    m_edit->setAccessibleDescription(spoken(forEdit));
    setAccessibleDescription(spoken(forPage));
}

void CWordStudyPage::takeFocus()
{
    if (m_edit && m_edit->isVisibleTo(this))
        m_edit->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}
