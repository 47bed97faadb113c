#pragma once
// Writing a picture as a Windows bitmap file. The bitmap goes to a temporary file beside the
// target first and replaces it only when complete, so a failed write never destroys an existing
// file.

#include <QImage>
#include <QString>

// Raises EFCreateError ("Cannot create file "%s". %s") when the file cannot be created or written.
void SaveBitmapFile(const QImage& image, const QString& path);
