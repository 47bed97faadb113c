#pragma once
// The XML data packet: the whole table on one line, with the field list, the change log and one
// ROW element per record. It is not well-formed XML (an attribute is named DC/AC and the text is
// ANSI bytes without a declared encoding), so it is read by a reader of its own that takes
// exactly the form written here and refuses anything else.

#include "records/PacketRows.h"
#include "records/RecordTable.h"

#include <QByteArray>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

// ---- Writing ---------------------------------------------------------------------------------

// The declaration, DATAPACKET, METADATA with the FIELDS and PARAMS (with the change log), and
// the opening <ROWDATA>.
QByteArray DataPacketHead(const std::vector<TChange>& changeLog);
// One <ROW .../> element; loggedAppend adds RowState="4". Fields without a value are left out.
void AppendDataPacketRow(QByteArray& out, const TRecord& record, bool loggedAppend);
// "</ROWDATA></DATAPACKET>", which ends the file.
QByteArray DataPacketTail();

// A text value with < > & ' " CR LF TAB and \ replaced by their references; double-byte
// characters are copied as units, so a trail byte is never replaced.
void AppendPacketEscaped(QByteArray& out, const char* data, size_t size);
// The attribute name of a field: a space and ! # $ % ( ) * ? become '_' ('/' stays).
QByteArray PacketAttributeName(const QByteArray& fieldName);

// Decodes the named entities and the decimal and hexadecimal character references of an
// attribute value into out (appended). Returns false for a broken reference or a reference to
// character 0. References beyond 255 become the code page's character, or '?'.
bool DecodePacketText(const char* data, size_t size, QByteArray& out);

// ---- Reading ---------------------------------------------------------------------------------

struct TPacketContent {
    TPacketRows rows;
    std::vector<TChange> changeLog;
};

// Whether the change log is exactly the one appending the rows in order would build: one
// (row, 0, 4) per logged row. Every packet this program writes has such a log.
bool ChangeLogMatchesAppends(const TPacketContent& content);

// Reads a data packet streamed in chunks of any size. Memory stays bounded by the content: no
// element may exceed kMaxElementBytes except PARAMS, whose change log is read number by number.
class TDataPacketReader {
public:
    static constexpr size_t kMaxElementBytes = 64 * 1024;
    static constexpr int64_t kMaxRows = 10'000'000; // what the table holds

    TDataPacketReader();

    // Returns false once the packet is known to be bad; later calls do nothing.
    bool Feed(const char* data, size_t size);
    // The end of the file. Returns true when a whole, valid packet was read.
    bool Finish();

    bool Failed() const { return failed_; }
    // Why the packet was refused (for tests and diagnostics; the user sees one message).
    const std::string& Reason() const { return reason_; }
    TPacketContent TakeContent() { return std::move(content_); }

private:
    enum class TStep {
        Declaration,
        DataPacket,
        Metadata,
        Fields,
        FieldOrEnd,
        Params,
        ParamsEnd,
        ChangeLogNumbers,
        ChangeLogEnd,
        MetadataEnd,
        RowData,
        RowOrEnd,
        DataPacketEnd,
        Done
    };
    struct TAttribute {
        const char* name;
        size_t nameSize;
        const char* value;
        size_t valueSize;
        bool references; // the value holds '&'
    };
    struct TElement {
        const char* name = nullptr;
        size_t nameSize = 0;
        bool closing = false;     // </name>
        bool selfClosing = false; // <name .../>
        std::vector<TAttribute> attributes;
    };
    enum class TParse { Incomplete, Ok, Bad };

    size_t Parse(const char* begin, const char* end);
    TParse ParseElement(const char* p, const char* end, size_t& consumed);
    TParse ParseLiteral(const char* p, const char* end, const char* literal, size_t& consumed);
    size_t ParseChangeLogNumbers(const char* p, const char* end);
    bool TakeElement(); // acts on element_ in the current step
    bool TakeField();
    bool TakeRow();
    bool Fail(const char* reason);
    bool CheckChangeLog();

    TStep step_ = TStep::Declaration;
    std::string buffer_; // bytes of an element cut by the end of a chunk
    TElement element_;
    bool failed_ = false;
    std::string reason_;

    // Field list: the attribute name each table field is written under.
    std::vector<QByteArray> attributeNames_ = std::vector<QByteArray>(kFieldCount);
    std::vector<bool> declared_ = std::vector<bool>(kFieldCount, false);

    // Change log numbers being read.
    uint64_t number_ = 0;
    bool inNumber_ = false;
    bool afterSpace_ = false;
    uint32_t triple_[3] = {};
    int tripleFill_ = 0;

    std::array<QByteArray, kFieldCount> decoded_; // reused per row
    TPacketContent content_;
};
