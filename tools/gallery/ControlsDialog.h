#pragma once

#include <QWidget>

// Every skinned ordinary control, on white, as the dialogs and pages use them.
class ControlsDialog : public QWidget
{
    Q_OBJECT

public:
    explicit ControlsDialog(QWidget *parent = nullptr);
};
