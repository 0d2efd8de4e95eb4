#pragma once

#include <QProxyStyle>

// The window's small combo boxes are 40 and 48 pixels wide, sized for a narrow drop-down arrow.
// This style keeps the look of the application style but gives the arrow only kArrowWidth
// pixels, so that a number such as "100" still shows whole in the field beside it.
class CompactComboStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int kArrowWidth = 14;

    CompactComboStyle();

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override;
};
