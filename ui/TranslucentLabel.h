#pragma once

#include "ui/TranslucentWnd.h"

#include <QFont>

// White text with a dark grey outline, drawn into the layered window's picture.
class CTranslucentLabel : public CTranslucentWnd
{
    Q_OBJECT

public:
    explicit CTranslucentLabel(QWidget *parent = nullptr);

    void SetText(const QString &text);
    QString text() const { return m_text; }
    void Render(QPainter &painter) override;

    static QFont labelFont();

private:
    QString m_text;
};
