#include "app/tab_page.h"

#include <QEvent>

TabPage::TabPage(QWidget* tabControl) : tabControl_(tabControl) {}

void TabPage::Place(QWidget* control, const QRect& inTabControl) {
    control->setParent(this);
    placed_.emplace_back(control, inTabControl);
    PlaceControls();
}

bool TabPage::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange:
            // The tab control puts its pages into a stack of its own; follow that stack's moves.
            if (watchedParent_) watchedParent_->removeEventFilter(this);
            watchedParent_ = parentWidget();
            if (watchedParent_) watchedParent_->installEventFilter(this);
            PlaceControls();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            PlaceControls();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool TabPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedParent_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        PlaceControls();
    }
    return QWidget::eventFilter(watched, event);
}

void TabPage::PlaceControls() {
    if (!tabControl_) return;
    const bool inside = tabControl_->isAncestorOf(this);
    const QPoint origin = inside ? mapTo(tabControl_, QPoint(0, 0)) : QPoint(0, 0);
    for (const auto& [control, rect] : placed_) {
        if (control) control->setGeometry(rect.translated(-origin));
    }
}
