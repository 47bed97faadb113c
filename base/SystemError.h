#pragma once
// The system's reasons as the user reads them: errno texts ("No space left on device"), and the
// checks that tell a regular file from the other things a path can name.

#include <QString>

// The system's text for an errno value.
QString SystemErrorText(int error);

// The reason a path cannot be read as a data file, or an empty text when it is an existing regular
// file: "No such file or directory", "Is a directory", "not a regular file" (a FIFO, a device node,
// a socket), or whatever stat() says.
QString NotReadableFileReason(const QString& path);

// The text for a path that names something other than a regular file.
QString NotRegularFileText();
