#pragma once

#include <QWidget>

class CppSQLite3Exception;

// What a study page asks of the main window.
class StudyHost
{
public:
    virtual ~StudyHost() = default;
    // Reads a text aloud with the user's voice (nothing when speech is off).
    virtual void Speak(const QString &text) = 0;
    // Records the day's work in the current mode as finished and closes the page.
    virtual void FinishTodayLog(bool withErrorRate) = 0;
    // Slides the page out without recording anything.
    virtual void closePage() = 0;
};

// Base of the study pages the main window slides into its content rectangle: a white
// page that knows whether it has finished sliding in, and then shows its frame.
class CStudyPage : public QWidget
{
    Q_OBJECT
public:
    explicit CStudyPage(const QString &title, QWidget *parent = nullptr);

    void setHost(StudyHost *host) { m_host = host; }
    StudyHost *host() const { return m_host; }

    // Cleared when a slide-in starts and set when it has finished.
    bool inPlace() const { return m_inPlace; }
    void setInPlace(bool inPlace);

    // Gives the keyboard to the control a learner types into first. Called once the
    // page is in place and its window enabled again: a disabled window takes no focus.
    virtual void takeFocus() { setFocus(); }

    // The daily list is ready: begin with its first word. The default does nothing.
    virtual void Start() {}

protected:
    void paintEvent(QPaintEvent *event) override;

    // The store's text in a message box; the page then goes on.
    void showStoreError(const CppSQLite3Exception &e);
    // A ticked or cleared option box of the user's record, stored at once.
    void storeUserOption(const char *column, int &field, bool on);

private:
    StudyHost *m_host = nullptr;
    bool m_inPlace = false;
};
