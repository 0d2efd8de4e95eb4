#include "app/generation_progress.h"

#include "app/title_room.h"

#include <QApplication>
#include <QProgressDialog>
#include <algorithm>

GenerationProgress::GenerationProgress(QWidget* window) : window_(window) {
    started_.start();
}

GenerationProgress::~GenerationProgress() = default;

bool GenerationProgress::Update(int32_t found, int32_t wanted) {
    if (!dialog_ && started_.elapsed() >= kDialogDelay.count()) ShowDialog(wanted);
    if (dialog_) {
        dialog_->setMaximum(wanted > 0 ? wanted : 1);
        dialog_->setValue(found);
    }
    QApplication::processEvents();
    if (dialog_ && dialog_->wasCanceled()) cancelled_ = true;
    return !cancelled_;
}

void GenerationProgress::SetLabel(const QString& text) {
    label_ = text;
    if (dialog_) dialog_->setLabelText(label_);
}

void GenerationProgress::Finish() {
    dialog_.reset();
}

void GenerationProgress::ShowDialog(int32_t wanted) {
    dialog_ = std::make_unique<QProgressDialog>(label_, QStringLiteral("取消"), 0,
                                                wanted > 0 ? wanted : 1, window_);
    dialog_->setWindowTitle(QApplication::applicationName());
    // Sized to its label alone, the dialog would have its title cut short.
    dialog_->setMinimumWidth(std::max(dialog_->sizeHint().width(), TitleRoomWidth(*dialog_)));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->show();
}
