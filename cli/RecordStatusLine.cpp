#include "cli/RecordStatusLine.h"

#include <QString>

namespace {

// Readings arrive far faster than anyone reads a terminal when frames are replayed: the line is
// rewritten at most this often, and once more at the end.
constexpr int64_t kShowPeriodMs = 200;

QString PlainUnit(const QByteArray& unit) {
    QString plain = QString::fromLatin1(unit);
    plain.replace(QLatin1Char('#'), QStringLiteral(" \u00B0C"));
    plain.replace(QLatin1Char('?'), QStringLiteral(" \u00B0F"));
    return plain.trimmed();
}

} // namespace

QByteArray RecordStatusText(int64_t records, const std::optional<TReading>& last,
                            int64_t elapsedSeconds) {
    QString text =
        records == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(records);
    if (last) {
        text +=
            QStringLiteral(", last %1 %2 %3 at %4")
                .arg(QString::fromLatin1(last->Humidity), QString::fromLatin1(last->Temperature),
                     PlainUnit(last->Unit), QString::fromLatin1(last->Time));
    }
    text += QStringLiteral(", %1:%2:%3")
                .arg(elapsedSeconds / 3600, 2, 10, QLatin1Char('0'))
                .arg(elapsedSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(elapsedSeconds % 60, 2, 10, QLatin1Char('0'));
    return text.toLocal8Bit();
}

TRecordStatusLine::TRecordStatusLine(ICliOutput& output, std::function<int64_t()> elapsedMs)
    : output_(output), onTerminal_(output.ErrIsTerminal()), elapsedMs_(std::move(elapsedMs)) {
    clock_.start();
    if (!elapsedMs_)
        elapsedMs_ = [this] { return clock_.elapsed(); };
}

void TRecordStatusLine::Err(QByteArrayView bytes) {
    if (shown_) {
        output_.Err("\r\x1b[K");
        shown_ = false;
        lastShownMs_ = -1; // back at once
    }
    output_.Err(bytes);
}

void TRecordStatusLine::Reading(int64_t records, const TReading& reading) {
    records_ = records;
    last_ = reading;
    Show(false);
}

void TRecordStatusLine::Tick() {
    Show(false);
}

void TRecordStatusLine::Finish() {
    if (!onTerminal_)
        return;
    Show(true);
    output_.Err("\n");
    shown_ = false;
}

void TRecordStatusLine::Show(bool force) {
    if (!onTerminal_)
        return;
    const int64_t now = elapsedMs_();
    if (!force && lastShownMs_ >= 0 && now - lastShownMs_ < kShowPeriodMs)
        return;
    lastShownMs_ = now;
    // Back to the line's start, the new text, then clear what a longer old text left behind.
    output_.Err("\r" + RecordStatusText(records_, last_, now / 1000) + "\x1b[K");
    shown_ = true;
}
