#pragma once
// Which of the two data file formats a file name selects.

#include <QString>

enum class TDataFileFormat { TextTable, DataPacket };

// The extension alone decides: the part from the last '.' after the last path separator,
// compared as ASCII without case. ".xml" selects the data packet; anything else, no extension
// included, the text table (so DATA.XML is a packet, data.xml.txt and data are text tables).
TDataFileFormat FormatForFileName(const QString& fileName);
