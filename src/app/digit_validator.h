#pragma once

#include <QString>
#include <QValidator>
#include <cstdint>
#include <string>

class QLineEdit;

// How far a text is from what a number box should hold, at most maxDigits of the digits 0-9:
// one fault for every character that is not such a digit and one for every digit beyond
// maxDigits. 0 for a proper entry, the empty text included.
int32_t DigitFaults(const std::string& utf8, int32_t maxDigits);

// The three answers to an edit of a number box, given the faults before and after it.
enum class DigitEdit {
    kProper,     // the new text is a proper entry
    kTolerated,  // still not proper, but no further from it: the user is mending the text
    kRefused,    // the edit adds a fault: a letter, a sign, a point, a digit too many
};
DigitEdit JudgeDigitEdit(int32_t faultsBefore, int32_t faultsAfter);

// Lets the user type nothing but digits, at most maxDigits of them, into a one-line box; the
// box may be left empty. A text the program puts into the box (a value restored from the
// settings file) stands as it is, whatever it holds: it is neither cut nor refused, and the
// user can mend it, since any edit that takes a fault away is let through.
//
// The maximum is kept by the validator, not by QLineEdit::setMaxLength, which would cut a
// longer restored value.
class DigitValidator : public QValidator {
    Q_OBJECT
public:
    // Nine digits: every entry fits a signed 32-bit number.
    static constexpr int32_t kMaxDigits = 9;

    // Installs itself on the box, which owns it.
    explicit DigitValidator(QLineEdit* box, int32_t maxDigits = kMaxDigits);

    State validate(QString& input, int& position) const override;

private:
    int32_t maxDigits_;
    QString current_;  // the box's text before the edit being judged
};
