#pragma once
// Where the command writes: standard output for results, standard error for messages. The
// program writes to the process's streams; tests capture both in memory.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class ICliOutput {
public:
    virtual ~ICliOutput() = default;
    virtual void Out(QByteArrayView bytes) = 0;
    virtual void Err(QByteArrayView bytes) = 0;
    // Why standard output lost what was written to it (a full disk, a closed pipe), or an empty
    // text while everything reached it.
    virtual QString OutFailure() const { return {}; }
};

// The process's stdout and stderr, flushed after every write so that a reader of a pipe sees each
// line as soon as it is printed.
class TStdioOutput : public ICliOutput {
public:
    void Out(QByteArrayView bytes) override;
    void Err(QByteArrayView bytes) override;
    QString OutFailure() const override { return outFailure_; }

private:
    QString outFailure_; // the first failure
};

class TBufferOutput : public ICliOutput {
public:
    void Out(QByteArrayView bytes) override { out.append(bytes); }
    void Err(QByteArrayView bytes) override { err.append(bytes); }
    QString OutFailure() const override { return outFailure; }
    QByteArray out, err;
    QString outFailure; // set by a test to play a standard output that fails
};

// "rx47-cli: <message>\n" on standard error, in the terminal's encoding.
void ReportError(ICliOutput& output, const QString& message);
// The message for a standard output that failed.
QString OutFailureMessage(const QString& reason);
