#pragma once
// The XML data packet: the whole table on one line, with the field list, the change log and one
// ROW element per record. It is not well-formed XML (an attribute is named DC/AC and the text is
// ANSI bytes without a declared encoding), so it is read by a reader of its own that takes
// exactly the form written here and refuses anything else.

#include "records/RecordTable.h"

#include <QByteArray>
#include <array>
#include <cstddef>
#include <cstdint>
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
// character 0. References beyond 255 become the code page's character, or '?' (counted in
// *unmapped when given).
bool DecodePacketText(const char* data, size_t size, QByteArray& out, int64_t* unmapped = nullptr);

// ---- Reading ---------------------------------------------------------------------------------

// Reads a data packet streamed in chunks of any size into a table of its own: rows are appended
// as they are read, and once the whole packet has been read the table's change log is the
// packet's. A packet that fails leaves that table partly filled; the caller lets only a packet
// read in full replace the table shown (TRecordTable::TakeFrom). Memory stays bounded by the
// content: no element may exceed kMaxElementBytes except PARAMS, whose change log is read number
// by number, and neither the rows nor the change log may exceed kMaxRows.
class TDataPacketReader {
public:
    static constexpr size_t kMaxElementBytes = 64 * 1024;
    static constexpr int64_t kMaxRows = 10'000'000; // what the table holds

    // rows is emptied first and must outlive the reader.
    explicit TDataPacketReader(TRecordTable& rows);

    // Returns false once the packet is known to be bad; later calls do nothing.
    bool Feed(const char* data, size_t size);
    // The end of the file. Returns true when a whole, valid packet was read.
    bool Finish();

    bool Failed() const { return failed_; }
    // Values longer than the table's fields, cut to 20 characters.
    int64_t CutValues() const { return cutValues_; }
    // Character references the code page has no character for, read as '?'.
    int64_t UnmappedCharacters() const { return unmappedCharacters_; }
    // Why the packet was refused (for tests and diagnostics; the user sees one message).
    const std::string& Reason() const { return reason_; }

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
    bool TakeTriple();
    bool TakeElement(); // acts on element_ in the current step
    bool TakeField();
    bool TakeRow();
    bool TakeWrittenRow(const char* p, const char* end, size_t& consumed);
    void AppendRow(const TRecordView& record, bool logged);
    bool Fail(const char* reason);
    bool CheckChangeLog();
    void SpellOutChangeLog(); // from its length alone to its triples

    TStep step_ = TStep::Declaration;
    std::string buffer_; // bytes of an element cut by the end of a chunk
    TElement element_;
    bool failed_ = false;
    std::string reason_;
    int64_t cutValues_ = 0;
    int64_t unmappedCharacters_ = 0;

    // Field list: the attribute name each table field is written under, and for rows in the
    // written form the bytes ` name="` that start its attribute (empty for a name the element
    // parser could never read, which no row can then carry).
    std::vector<QByteArray> attributeNames_ = std::vector<QByteArray>(kFieldCount);
    std::vector<QByteArray> attributeStarts_ = std::vector<QByteArray>(kFieldCount);
    std::vector<bool> declared_ = std::vector<bool>(kFieldCount, false);

    // Change log numbers being read.
    uint64_t number_ = 0;
    bool inNumber_ = false;
    bool afterSpace_ = false;
    uint32_t triple_[3] = {};
    int tripleFill_ = 0;
    // The change log. As long as it is the one appending rows 1, 2, 3 ... builds (the log of
    // every packet this program writes), only its length is kept.
    bool appendsLog_ = true;
    int64_t appendsLogLength_ = 0;
    std::vector<TChange> changeLog_;

    TRecordTable& rows_;
    bool allLogged_ = true;                       // every row so far has RowState="4"
    TRecordView row_;                             // the row being read in the written form
    std::array<QByteArray, kFieldCount> decoded_; // reused per row
};
