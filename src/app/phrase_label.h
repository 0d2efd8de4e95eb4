#pragma once

#include <QLabel>
#include <QPointer>

// A label whose caption has a run of blanks with a box lying over it, so that the row reads as
// one phrase: "数字范围 [100] 以内". The caption itself stays as designed; the label draws the
// words after the blanks just right of the box, however wide the installed font makes the blanks,
// so that the box never covers them.
class PhraseLabel : public QLabel {
    Q_OBJECT
public:
    PhraseLabel(const QString& caption, QWidget* parent);

    // The box that lies over the gap; it shares the label's parent.
    void SetGapBox(QWidget* box);

    // Horizontal extents, in the label's own coordinates, of the words before and after the
    // gap as they are drawn.
    int LeadingWordsEnd() const;
    int TrailingWordsStart() const;

    // Space left between the box and the words after it.
    static constexpr int kGapAfterBox = 4;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QWidget> box_;
};
