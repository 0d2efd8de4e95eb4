#include "platform/date_time_text.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <optional>

namespace {

constexpr qint64 kSecondsPerDay = 86400;

QDate AutomationEpoch() {
    return QDate(1899, 12, 30);
}

struct Moment {
    QDate date;
    QTime time;
};

std::optional<Moment> FromAutomationDate(double moment) {
    // Keeps the arithmetic far from overflow; the year check below gives the exact range.
    if (!std::isfinite(moment) || std::fabs(moment) > 4.0e6) return std::nullopt;
    const double wholeDays = std::trunc(moment);
    // Rounded to the second; a fraction that rounds to a whole day moves on to the next day.
    qint64 seconds = std::llround(std::fabs(moment - wholeDays) * kSecondsPerDay);
    const qint64 days = static_cast<qint64>(wholeDays) + seconds / kSecondsPerDay;
    seconds %= kSecondsPerDay;
    const QDate date = AutomationEpoch().addDays(days);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999) return std::nullopt;
    return Moment{date, QTime(0, 0).addSecs(static_cast<int>(seconds))};
}

qsizetype CharacterCount(const std::string& text) {
    return QString::fromStdString(text).toUcs4().size();
}

QString Padded(int value, int width) {
    return QString::number(value).rightJustified(width, '0');
}

// Walks a pattern: quoted text is copied, runs of one letter go to the token function, which
// returns std::nullopt for letters that are not pictures (those are copied unchanged).
template <typename TokenText>
QString FormatPicture(const QString& pattern, TokenText tokenText) {
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar ch = pattern[i];
        if (ch == '\'') {
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += pattern[i++];
            }
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == ch) ++run;
        if (const std::optional<QString> text = tokenText(ch, static_cast<int>(run))) {
            out += *text;
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString FormatDate(const QDate& date, const QString& pattern, const QLocale& locale) {
    return FormatPicture(pattern, [&](QChar ch, int run) -> std::optional<QString> {
        switch (ch.unicode()) {
            case 'd':
                if (run <= 2) return Padded(date.day(), run);
                return locale.dayName(date.dayOfWeek(),
                                      run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            case 'M':
                if (run <= 2) return Padded(date.month(), run);
                return locale.monthName(date.month(),
                                        run == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            case 'y':
                if (run == 1) return QString::number(date.year() % 10);
                if (run == 2) return Padded(date.year() % 100, 2);
                return QString::number(date.year());
            case 'g':
                return QString();  // no era names for the Gregorian calendar
            default:
                return std::nullopt;
        }
    });
}

QString FormatTime(const QTime& time, const QString& pattern, bool force24Hour,
                   const QLocale& locale) {
    return FormatPicture(pattern, [&](QChar ch, int run) -> std::optional<QString> {
        const int width = run >= 2 ? 2 : 1;
        switch (ch.unicode()) {
            case 'h': {
                if (force24Hour) return Padded(time.hour(), width);
                const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
                return Padded(hour12, width);
            }
            case 'H':
                return Padded(time.hour(), width);
            case 'm':
                return Padded(time.minute(), width);
            case 's':
                return Padded(time.second(), width);
            case 't': {
                const QString marker = time.hour() < 12 ? locale.amText() : locale.pmText();
                return run == 1 ? marker.left(1) : marker;
            }
            default:
                return std::nullopt;
        }
    });
}

}  // namespace

std::string DateTimeText(double moment, const std::string& datePattern,
                         const std::string& timePattern, bool force24Hour, const QLocale& locale) {
    const std::optional<Moment> m = FromAutomationDate(moment);
    if (!m) return {};
    QString text;
    if (CharacterCount(datePattern) > 2) {
        text += FormatDate(m->date, QString::fromStdString(datePattern), locale);
    }
    if (CharacterCount(timePattern) > 2) {
        text += FormatTime(m->time, QString::fromStdString(timePattern), force24Hour, locale);
    }
    return text.toStdString();
}

std::string DateTimeText(double moment, const std::string& datePattern,
                         const std::string& timePattern, bool force24Hour) {
    return DateTimeText(moment, datePattern, timePattern, force24Hour, QLocale::system());
}

double CurrentAutomationDate() {
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 days = AutomationEpoch().daysTo(now.date());
    const double fraction = now.time().msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
    return static_cast<double>(days) + fraction;
}
