#include "app/compact_combo_style.h"

#include <QApplication>
#include <QStyleOptionComplex>

CompactComboStyle::CompactComboStyle() : QProxyStyle(QApplication::style()->name()) {}

QRect CompactComboStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                        SubControl part, const QWidget* widget) const {
    QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
    if (control != CC_ComboBox || (part != SC_ComboBoxArrow && part != SC_ComboBoxEditField)) {
        return rect;
    }
    const QRect arrow = QProxyStyle::subControlRect(control, option, SC_ComboBoxArrow, widget);
    const int spare = arrow.width() - kArrowWidth;
    if (spare <= 0) return rect;
    const bool leftToRight = option->direction != Qt::RightToLeft;
    if (part == SC_ComboBoxArrow) {
        leftToRight ? rect.setLeft(rect.left() + spare) : rect.setRight(rect.right() - spare);
    } else {
        leftToRight ? rect.setRight(rect.right() + spare) : rect.setLeft(rect.left() - spare);
    }
    return rect;
}
