#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <vector>

// A page of a tab control whose controls are placed in the tab control's coordinates, the way
// the window is designed: a control at top 32 sits 32 pixels below the top of the tab control,
// whatever height the style gives the strip of page tabs. The page keeps the designed rectangles
// and moves its controls again whenever its own position inside the tab control changes.
class TabPage : public QWidget {
    Q_OBJECT
public:
    explicit TabPage(QWidget* tabControl);

    // Puts `control` on this page at `inTabControl`, a rectangle relative to the tab control.
    void Place(QWidget* control, const QRect& inTabControl);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceControls();

    QPointer<QWidget> tabControl_;
    QPointer<QWidget> watchedParent_;
    std::vector<std::pair<QPointer<QWidget>, QRect>> placed_;
};
