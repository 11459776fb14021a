#pragma once

#include <QLabel>

// Text that wraps within its rectangle; what does not fit ends in an ellipsis on the
// last line that does, and the whole text moves to the tool tip. Explanations can be
// long and the study pages have a fixed size.
class CFittedLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override;

private:
    QList<QPair<QPointF, QString>> layoutLines(bool *cut) const;
};
