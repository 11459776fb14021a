#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

// The big word of the memorise and test pages. The word is drawn outlined; the letters
// typed so far are laid over it, green where they match and red where they do not, and
// the place of the next letter is marked: by that letter in yellow (normal mode) or, in
// the spelling mode, where only the typed letters are shown, by a blinking cursor.
class CWordDisplay : public QWidget
{
    Q_OBJECT

public:
    enum Mode { Normal = 0, Spelling = 1 };

    // The cursor animation: frames 0..12 are the bitmaps 144..156.
    static constexpr int kFirstCursorBitmap = 144;
    static constexpr int kCursorFrames = 13;
    static constexpr int kFirstTickMs = 10;

    explicit CWordDisplay(QWidget *parent = nullptr);

    void SetWord(const QString &text);
    void SetTyped(const QString &text);
    // Spelling mode starts the cursor animation; normal mode stops it.
    void SetMode(int mode);

    QString word() const { return m_word; }
    QString typed() const { return m_typed; }
    int mode() const { return m_mode; }
    int bitmapId() const { return m_bitmapId; }

    // How long a frame stays before the next one.
    static int frameDelay(int frame);
    // The frame the next tick of any display shows: one sequence for the whole program.
    static int frameIndex();

    // The face the word is drawn in ("Comic Sans MS", 34 points).
    static QFont wordFont();

    // Exactly what paintEvent copies to the screen, at any size.
    QImage render(QSize size) const;
    QImage render(QSize size, qreal pixelRatio) const;

    // Timer of the cursor animation (running only in spelling mode).
    const QTimer &animationTimer() const { return m_animation; }
    // One step of the animation; the timer calls it.
    void OnAnimationTick();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void updateAccessibleName();
    QString m_word;
    QString m_typed;
    int m_mode = Normal;
    int m_bitmapId = kFirstCursorBitmap;
    QList<QImage> m_cursorFrames;
    QTimer m_animation;
};
