#pragma once

#include <QDialog>

class CSkinButton;
class CSkinComboBox;
class CStatusLabel;
class QKeyEvent;

// The word-list dialog: choose the current list, import further lists and, as an
// administrator, delete lists. Ends with Accepted once a list has been chosen (the
// user record then holds its tid and word count), with Rejected otherwise.
class CThesaurusDlg : public QDialog
{
    Q_OBJECT

public:
    enum Id {
        IDD = 143,
        IDOK = 1,          // choose the selected list
        IDCANCEL = 2,
        IDC_IMPORT = 1012,
        IDC_DELETE = 1013, // administrators only
        IDC_STATUS = 1020,
        IDC_LISTS = 1022,
    };

    explicit CThesaurusDlg(QWidget *parent = nullptr);

    // Refills the lists from the store, sorted, with none selected.
    void FillList();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void connectHandlers();

    void OnChoose();
    void OnImport();
    void OnDelete();

    CSkinComboBox *m_lists = nullptr;
    CSkinButton *m_import = nullptr;
    CSkinButton *m_delete = nullptr;
    CStatusLabel *m_status = nullptr;
    CSkinButton *m_choose = nullptr;
    CSkinButton *m_cancel = nullptr;
};
