#pragma once

#include <QObject>

// The object pages reach as window.external. ShowDlg is kept for the pages that call
// it and deliberately does nothing.
class CExternal : public QObject
{
    Q_OBJECT

public:
    explicit CExternal(QObject *parent = nullptr);

    Q_INVOKABLE void ShowDlg();

    int showDlgCalls() const { return m_calls; }

Q_SIGNALS:
    void showDlgCalled();

private:
    int m_calls = 0;
};
