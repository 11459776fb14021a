#pragma once

#include "users/SettingsPage.h"

class CSkinButton;
class CSkinComboBox;
class QLabel;
class QSlider;

// Reading aloud: voice, volume and rate (page 1 of the settings, dialog 214). The voices
// are listed when the page is first shown: listing them loads the speech module, which
// opening the settings for something else must not.
class CSpeechPage : public CSettingsPage
{
    Q_OBJECT
public:
    enum Id { IDD = 214, IDC_OFF = 1080, IDC_VOICE = 1078, IDC_VOLUME = 1081, IDC_RATE = 1082, IDC_SAMPLE = 1091, IDC_TEST = 1008 };

    CSpeechPage(CQuilloraDlg *mainWindow, QWidget *parent);

    bool Validate() override;
    void Save() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void OnOffClicked();
    void OnTest();
    void listVoices();
    // The voice index the page stands for.
    int chosenVoice() const;

    CSkinButton *m_off = nullptr;
    CSkinComboBox *m_voice = nullptr;
    QSlider *m_volume = nullptr;
    QSlider *m_rate = nullptr;
    QLabel *m_sample = nullptr;
    CSkinButton *m_test = nullptr;
    bool m_listed = false;
};
