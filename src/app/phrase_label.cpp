#include "app/phrase_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace {

// The caption split into the words before the run of blanks, the blanks and the words after.
struct Parts {
    QString leading;
    QString blanks;
    QString trailing;
};

Parts SplitAtBlanks(const QString& caption) {
    const qsizetype first = caption.indexOf(QLatin1Char(' '));
    if (first < 0) return {caption, {}, {}};
    qsizetype end = first;
    while (end < caption.size() && caption[end] == QLatin1Char(' ')) ++end;
    return {caption.left(first), caption.mid(first, end - first), caption.mid(end)};
}

}  // namespace

PhraseLabel::PhraseLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {}

void PhraseLabel::SetGapBox(QWidget* box) {
    box_ = box;
    update();
}

int PhraseLabel::LeadingWordsEnd() const {
    return contentsRect().left() + fontMetrics().horizontalAdvance(SplitAtBlanks(text()).leading);
}

int PhraseLabel::TrailingWordsStart() const {
    const Parts parts = SplitAtBlanks(text());
    const int natural = LeadingWordsEnd() + fontMetrics().horizontalAdvance(parts.blanks);
    if (!box_ || parts.blanks.isEmpty()) return natural;
    const int afterBox = box_->geometry().right() + 1 - x() + kGapAfterBox;
    return std::max(natural, afterBox);
}

void PhraseLabel::paintEvent(QPaintEvent* event) {
    const Parts parts = SplitAtBlanks(text());
    if (!box_ || parts.blanks.isEmpty()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect area = contentsRect();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    style()->drawItemText(&painter, area, flags, palette(), isEnabled(), parts.leading,
                          foregroundRole());
    QRect tail = area;
    tail.setLeft(TrailingWordsStart());
    style()->drawItemText(&painter, tail, flags, palette(), isEnabled(), parts.trailing,
                          foregroundRole());
}
