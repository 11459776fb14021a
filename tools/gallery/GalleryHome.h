#pragma once

#include "ui/LayeredDialog.h"
#include "ui/StandardDialog.h"

#include <QList>

class CTranslucentButton;
class CTranslucentLabel;

// The home window's look: background 146, the title-bar and big picture buttons,
// the help line and the version line.
class GalleryHome : public CLayeredDialog
{
    Q_OBJECT

public:
    explicit GalleryHome(QWidget *parent = nullptr);

    CTranslucentButton *button(int id) const;
    CTranslucentLabel *helpLine() const { return m_help; }

protected:
    CStandardDialog *CreateStandardDialog() override;
    void InitTranslucentChildren() override;

private:
    void showHelp(bool resting, int id);

    QList<CTranslucentButton *> m_buttons;
    CTranslucentLabel *m_help;
    CTranslucentLabel *m_version;
};
