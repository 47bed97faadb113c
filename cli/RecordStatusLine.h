#pragma once
// The one-line status of `rx47-cli record` on a terminal: records taken, the last reading and the
// time since the run began, rewritten in place on standard error. Nothing is written when
// standard error is no terminal (a pipe, a file, a service's journal), so logs stay clean.

#include "cli/CliOutput.h"
#include "records/LoggingPolicy.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>
#include <optional>

// "12 records, last 45.3%RH 23.4 °C at 16:32, 00:01:05" ("#" is °C, "?" °F).
QByteArray RecordStatusText(int64_t records, const std::optional<TReading>& last,
                            int64_t elapsedSeconds);

// Also the output the rest of the run writes through: a message on standard error first clears
// the status line, which comes back with the next reading or second.
class TRecordStatusLine : public ICliOutput {
public:
    // Shown only when the output's standard error is a terminal. elapsedMs null: the time since
    // construction.
    explicit TRecordStatusLine(ICliOutput& output, std::function<int64_t()> elapsedMs = nullptr);

    void Out(QByteArrayView bytes) override { output_.Out(bytes); }
    void Err(QByteArrayView bytes) override;
    QString OutFailure() const override { return output_.OutFailure(); }
    bool ErrIsTerminal() const override { return onTerminal_; }

    // A reading arrived (records: how many the run has taken so far).
    void Reading(int64_t records, const TReading& reading);
    // A second passed.
    void Tick();
    // The run is over: the line stays as it is and the cursor goes to the next line.
    void Finish();

private:
    void Show(bool force);

    ICliOutput& output_;
    const bool onTerminal_;
    std::function<int64_t()> elapsedMs_;
    QElapsedTimer clock_;
    int64_t records_ = 0;
    std::optional<TReading> last_;
    int64_t lastShownMs_ = -1;
    bool shown_ = false; // the line stands on the terminal now
};
