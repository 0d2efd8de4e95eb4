#include "app/digit_validator.h"

#include <QLineEdit>

int32_t DigitFaults(const std::string& utf8, int32_t maxDigits) {
    int32_t digits = 0;
    int32_t others = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= '0' && byte <= '9') {
            ++digits;
        } else if ((byte & 0xC0) != 0x80) {  // one count per character, not per UTF-8 byte
            ++others;
        }
    }
    return others + (digits > maxDigits ? digits - maxDigits : 0);
}

DigitEdit JudgeDigitEdit(int32_t faultsBefore, int32_t faultsAfter) {
    if (faultsAfter == 0) return DigitEdit::kProper;
    return faultsAfter <= faultsBefore ? DigitEdit::kTolerated : DigitEdit::kRefused;
}

DigitValidator::DigitValidator(QLineEdit* box, int32_t maxDigits)
    : QValidator(box), maxDigits_(maxDigits), current_(box->text()) {
    // Every change the box takes, typed or set by the program, is the "before" of the next edit.
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { current_ = text; });
    box->setValidator(this);
}

QValidator::State DigitValidator::validate(QString& input, int& position) const {
    static_cast<void>(position);
    switch (JudgeDigitEdit(DigitFaults(current_.toStdString(), maxDigits_),
                           DigitFaults(input.toStdString(), maxDigits_))) {
        case DigitEdit::kProper:
            return Acceptable;
        case DigitEdit::kTolerated:
            return Intermediate;
        case DigitEdit::kRefused:
            break;
    }
    return Invalid;
}
