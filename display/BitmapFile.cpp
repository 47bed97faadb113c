#include "display/BitmapFile.h"

#include "base/Exceptions.h"

#include <QImageWriter>
#include <QSaveFile>

namespace {

[[noreturn]] void CannotCreate(const QString& path, const QString& reason) {
    throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

} // namespace

void SaveBitmapFile(const QImage& image, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        CannotCreate(path, file.errorString());
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image)) {
        file.cancelWriting();
        CannotCreate(path, writer.errorString());
    }
    if (!file.commit())
        CannotCreate(path, file.errorString());
}
