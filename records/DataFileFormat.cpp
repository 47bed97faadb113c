#include "records/DataFileFormat.h"

#include <algorithm>

TDataFileFormat FormatForFileName(const QString& fileName) {
    const qsizetype separator =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < separator)
        return TDataFileFormat::TextTable;
    const QString extension = fileName.mid(dot);
    if (extension.size() != 4)
        return TDataFileFormat::TextTable;
    // ASCII lower-casing only: a non-ASCII letter never matches.
    static constexpr char kXml[] = ".xml";
    for (int i = 0; i < 4; ++i) {
        char16_t c = extension[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        if (c != char16_t(kXml[i]))
            return TDataFileFormat::TextTable;
    }
    return TDataFileFormat::DataPacket;
}
