#include "display/BitmapFile.h"

#include "base/Exceptions.h"
#include "base/FileWrite.h"

#include <QBuffer>
#include <QImageWriter>

namespace {

[[noreturn]] void CannotCreate(const QString& path, const QString& reason) {
    throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

} // namespace

void SaveBitmapFile(const QImage& image, const QString& path) {
    // The picture is made in memory (a chart's is a few megabytes at most) and written through
    // the program's one file writer.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image))
        CannotCreate(path, writer.errorString());
    const QString failure = WriteWholeFile(path, bytes);
    if (!failure.isEmpty())
        CannotCreate(path, failure);
}
