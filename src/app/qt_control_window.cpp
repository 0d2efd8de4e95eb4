#include "app/qt_control_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QValidator>

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}
std::string FromQt(const QString& text) {
    return text.toStdString();
}

// Edit texts cross with CR LF line ends. A widget holds "\n" (a one-line box can still receive
// a line break by pasting); every kind of line break becomes CR LF, which the control-state
// file stores as a marker, so the text is saved instead of refused.
std::string WithCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return FromQt(text);
}

bool IsOfKind(const QWidget* widget, const std::string& kind) {
    if (kind == "单选框") return qobject_cast<const QRadioButton*>(widget) != nullptr;
    if (kind == "选择框") return qobject_cast<const QCheckBox*>(widget) != nullptr;
    if (kind == "编辑框") {
        return qobject_cast<const QLineEdit*>(widget) != nullptr ||
               qobject_cast<const QPlainTextEdit*>(widget) != nullptr;
    }
    if (kind == "组合框") return qobject_cast<const QComboBox*>(widget) != nullptr;
    return false;
}

// Every widget below parent, depth first in the window's design order. The pages of a tab
// control are taken in page order: the widget tree itself reorders them whenever another page
// is brought to the front, and the order must not depend on which page the user looks at.
void CollectWidgets(const QWidget* parent, std::vector<const QWidget*>& widgets) {
    QList<const QWidget*> children;
    if (auto* tabs = qobject_cast<const QTabWidget*>(parent)) {
        for (int i = 0; i < tabs->count(); ++i) children << tabs->widget(i);
    } else if (auto* stack = qobject_cast<const QStackedWidget*>(parent)) {
        for (int i = 0; i < stack->count(); ++i) children << stack->widget(i);
    } else {
        for (const QObject* child : parent->children()) {
            if (child->isWidgetType()) children << static_cast<const QWidget*>(child);
        }
    }
    for (const QWidget* child : children) {
        widgets.push_back(child);
        CollectWidgets(child, widgets);
    }
}

}  // namespace

template <typename Widget>
Widget* QtControlWindow::Find(const std::string& name) const {
    if (!root_ || name.empty()) return nullptr;
    return root_->findChild<Widget*>(ToQt(name));
}

QComboBox* QtControlWindow::Combo(const std::string& name) const {
    return Find<QComboBox>(name);
}

std::vector<std::string> QtControlWindow::ControlsOfKind(const std::string& kind) const {
    std::vector<std::string> names;
    if (!root_ || kind.empty()) return names;
    const QString prefix = ToQt(kind);
    std::vector<const QWidget*> widgets;
    CollectWidgets(root_, widgets);
    for (const QWidget* widget : widgets) {
        if (widget->objectName().startsWith(prefix) && IsOfKind(widget, kind)) {
            names.push_back(FromQt(widget->objectName()));
        }
    }
    return names;
}

bool QtControlWindow::IsChecked(const std::string& name) const {
    // Check boxes and radio buttons are both checkable buttons.
    const auto* button = Find<QAbstractButton>(name);
    return button != nullptr && button->isCheckable() && button->isChecked();
}

void QtControlWindow::SetChecked(const std::string& name, bool checked) {
    if (auto* button = Find<QAbstractButton>(name); button != nullptr && button->isCheckable()) {
        button->setChecked(checked);
    }
}

std::string QtControlWindow::EditText(const std::string& name) const {
    if (const auto* line = Find<QLineEdit>(name)) return WithCrLf(line->text());
    if (const auto* box = Find<QPlainTextEdit>(name)) return WithCrLf(box->toPlainText());
    return {};
}

void QtControlWindow::SetEditText(const std::string& name, const std::string& text) {
    if (auto* line = Find<QLineEdit>(name)) {
        // A text the program puts back is taken as it is, even where the box's validator would
        // refuse it as typed input. Without the validator the box also counts it as valid, so
        // the validator goes on judging the user's edits from there (a box holding input it
        // judged invalid takes any further edit unchecked).
        const QValidator* validator = line->validator();
        line->setValidator(nullptr);
        line->setText(ToQt(text));
        line->setValidator(validator);
    } else if (auto* box = Find<QPlainTextEdit>(name)) {
        QString plain = ToQt(text);
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        box->setPlainText(plain);
    }
}

int32_t QtControlWindow::ComboCount(const std::string& name) const {
    const QComboBox* box = Combo(name);
    return box ? box->count() : 0;
}

std::string QtControlWindow::ComboItemText(const std::string& name, int32_t index) const {
    const QComboBox* box = Combo(name);
    if (!box || index < 0 || index >= box->count()) return {};
    return FromQt(box->itemText(index));
}

int32_t QtControlWindow::ComboItemData(const std::string& name, int32_t index) const {
    const QComboBox* box = Combo(name);
    if (!box || index < 0 || index >= box->count()) return 0;
    return box->itemData(index).toInt();
}

void QtControlWindow::ComboClear(const std::string& name) {
    if (QComboBox* box = Combo(name)) box->clear();
}

void QtControlWindow::ComboAppend(const std::string& name, const std::string& text, int32_t data) {
    QComboBox* box = Combo(name);
    if (!box) return;
    // A drop-down list selects the first item added to it on its own; appending must not make a
    // selection, or a list without a matching item would look as if one had been chosen.
    const int selected = box->currentIndex();
    box->addItem(ToQt(text), data);
    if (box->currentIndex() != selected) box->setCurrentIndex(selected);
}

int32_t QtControlWindow::ComboSelectedIndex(const std::string& name) const {
    const QComboBox* box = Combo(name);
    return box ? box->currentIndex() : -1;
}

void QtControlWindow::SetComboSelectedIndex(const std::string& name, int32_t index) {
    // An index outside the list leaves no item selected.
    if (QComboBox* box = Combo(name)) box->setCurrentIndex(index);
}

std::string QtControlWindow::ComboText(const std::string& name) const {
    const QComboBox* box = Combo(name);
    return box ? FromQt(box->currentText()) : std::string();
}

void QtControlWindow::SetComboText(const std::string& name, const std::string& text) {
    // The window's combo boxes are drop-down lists: their text is always the selected item's, so
    // a text selects the item that reads so, and a text that no item has changes nothing.
    QComboBox* box = Combo(name);
    if (!box) return;
    if (box->isEditable()) {
        box->setEditText(ToQt(text));
        return;
    }
    if (box->currentText() == ToQt(text)) return;
    const int index = box->findText(ToQt(text), Qt::MatchExactly);
    if (index >= 0) box->setCurrentIndex(index);
}
