#include "cli/RecordSinks.h"

#include "records/DataFileFormat.h"
#include "records/DataFiles.h"
#include "records/TextTableFormat.h"

#include <QFileInfo>
#include <QTemporaryFile>

std::unique_ptr<IRecordSink> OpenRecordSink(const QString& fileName, QString& error) {
    if (FormatForFileName(fileName) == TDataFileFormat::DataPacket) {
        auto sink = std::make_unique<TDataPacketSink>();
        return sink->Open(fileName, error) ? std::move(sink) : nullptr;
    }
    auto sink = std::make_unique<TTextTableSink>();
    return sink->Open(fileName, error) ? std::move(sink) : nullptr;
}

bool TTextTableSink::Open(const QString& fileName, QString& error) {
    file_.setFileName(fileName);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = QStringLiteral("%1: %2").arg(fileName, file_.errorString());
        return false;
    }
    return file_.size() > 0 || WriteAll(TextTableHeader(), error);
}

bool TTextTableSink::WriteAll(const QByteArray& bytes, QString& error) {
    if (file_.write(bytes) != bytes.size() || !file_.flush()) {
        error = QStringLiteral("%1: %2").arg(TextNotSavedMessage(file_.fileName()),
                                             file_.errorString());
        return false;
    }
    return true;
}

bool TTextTableSink::Record(const TRecord& record, QString& error) {
    QByteArray line;
    AppendTextTableLine(line, record);
    return WriteAll(line, error);
}

bool TTextTableSink::Finish(const TRecordTable& /*table*/, QString& /*error*/) {
    file_.close();
    return true;
}

bool TDataPacketSink::Open(const QString& fileName, QString& error) {
    fileName_ = fileName;
    // The packet is written at the end; make sure now that its folder takes a file, so that a
    // long run does not end in a save that cannot happen.
    const QFileInfo target(fileName);
    QTemporaryFile probe(target.absolutePath() + QStringLiteral("/.rx47-XXXXXX"));
    if (target.isDir() || (target.exists() && !target.isWritable()) || !probe.open()) {
        error = CannotCreateMessage(fileName, target.isDir() ? QStringLiteral("Is a directory")
                                                             : probe.errorString());
        return false;
    }
    return true;
}

bool TDataPacketSink::Finish(const TRecordTable& table, QString& error) {
    const TSaveOutcome saved = SaveTableToFile(table, fileName_);
    if (saved.kind == TSaveOutcome::TKind::Saved)
        return true;
    error = saved.message;
    return false;
}
