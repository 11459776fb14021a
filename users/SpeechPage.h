#pragma once

#include "users/SettingsPage.h"

class CSkinButton;
class CSkinComboBox;
class QLabel;
class QSlider;

// Reading aloud: voice, volume and rate (page 1 of the settings, dialog 214).
class CSpeechPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 214, IDC_OFF = 1080, IDC_VOICE = 1078, IDC_VOLUME = 1081, IDC_RATE = 1082, IDC_SAMPLE = 1091, IDC_TEST = 1008 };

    CSpeechPage(CQuilloraDlg *mainWindow, QWidget *parent);

    bool Validate() override;
    void Save() override;

private:
    void OnOffClicked();
    void OnTest();

    CSkinButton *m_off = nullptr;
    CSkinComboBox *m_voice = nullptr;
    QSlider *m_volume = nullptr;
    QSlider *m_rate = nullptr;
    QLabel *m_sample = nullptr;
    CSkinButton *m_test = nullptr;
};
