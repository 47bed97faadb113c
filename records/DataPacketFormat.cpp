#include "records/DataPacketFormat.h"

#include "base/Ansi.h"
#include "base/Conversion.h"
#include "records/AnsiCodePage.h"
#include "records/ByteScan.h"

#include <QString>
#include <charconv>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" standalone=\"yes\"?>";

inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Byte classes, looked up rather than compared one by one in the loops over every byte.
enum : uint8_t { kAttributeNameChar = 1, kElementNameChar = 2 };

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        // Names run up to a space, '=', a quote or an angle bracket; '/' belongs to attribute
        // names (DC/AC) but ends an element name.
        const bool stop = c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '=' || c == '>' ||
                          c == '<' || c == '"' || c == '\'';
        if (!stop)
            classes[size_t(c)] |= kAttributeNameChar;
        if (!stop && c != '/')
            classes[size_t(c)] |= kElementNameChar;
    }
    return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool Is(char c, uint8_t byteClass) {
    return (kClasses[uint8_t(c)] & byteClass) != 0;
}

// The first '"', '<' or '&' at or after p, or end: this scan covers most of a packet's bytes.
inline const char* FindValueStop(const char* p, const char* end) {
    return FindFirstOf(p, end, '"', '<', '&');
}

bool Equals(const char* data, size_t size, const char* text) {
    const size_t n = std::strlen(text);
    return size == n && std::memcmp(data, text, n) == 0;
}

bool Equals(const char* data, size_t size, const QByteArray& text) {
    return size == size_t(text.size()) && std::memcmp(data, text.constData(), size) == 0;
}

void AppendNumber(QByteArray& out, int64_t value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void AppendAttribute(QByteArray& out, const QByteArray& name, const char* value, size_t size) {
    out.append(' ');
    out.append(name);
    out.append("=\"", 2);
    AppendPacketEscaped(out, value, size);
    out.append('"');
}

const QByteArray& AttributeNameOf(TField field) {
    static const std::vector<QByteArray> names = [] {
        std::vector<QByteArray> all;
        for (int i = 0; i < kFieldCount; ++i)
            all.push_back(PacketAttributeName(FieldName(TField(i))));
        return all;
    }();
    return names[size_t(field)];
}

// Optional '-' then decimal digits within 32 bits: the form No is written in.
std::optional<int32_t> ParseInt32(std::string_view text) {
    return ParseInteger(QByteArrayView(text.data(), qsizetype(text.size())), TIntegerText::Written);
}

bool ParseCount(const char* data, size_t size) {
    if (size == 0 || size > 9)
        return false;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] < '0' || data[i] > '9')
            return false;
    }
    return true;
}

// A character reference's code point as ANSI bytes: up to 255 the byte itself, beyond that the
// code page's character (or '?' when it has none).
bool AppendCodePoint(QByteArray& out, uint32_t code, int64_t* unmapped) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    if (code <= 0xFF) {
        out.append(char(code));
        return true;
    }
    const char32_t c = code;
    const QByteArray ansi = QStringToAnsi(QString::fromUcs4(&c, 1));
    // One character the code page lacks is one '?' (a character beyond U+FFFF would otherwise
    // give two), and it is counted: the caller says it was lost.
    if (ansi.contains('?')) {
        if (unmapped)
            ++*unmapped;
        out.append('?');
        return true;
    }
    out.append(ansi);
    return true;
}

bool AppendReference(QByteArray& out, const char* name, size_t size, int64_t* unmapped) {
    struct TEntity {
        const char* name;
        char c;
    };
    static constexpr TEntity kEntities[] = {
        {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
    for (const auto& entity : kEntities) {
        if (Equals(name, size, entity.name)) {
            out.append(entity.c);
            return true;
        }
    }
    if (size < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const char* p = name + (hex ? 2 : 1);
    const char* e = name + size;
    if (p == e)
        return false;
    uint32_t code = 0;
    for (; p < e; ++p) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9')
            digit = uint32_t(*p - '0');
        else if (hex && *p >= 'a' && *p <= 'f')
            digit = uint32_t(*p - 'a' + 10);
        else if (hex && *p >= 'A' && *p <= 'F')
            digit = uint32_t(*p - 'A' + 10);
        else
            return false;
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF)
            return false;
    }
    return AppendCodePoint(out, code, unmapped);
}

} // namespace

// ---- Writing ---------------------------------------------------------------------------------

QByteArray PacketAttributeName(const QByteArray& fieldName) {
    QByteArray name = fieldName;
    for (char& c : name) {
        if (c == ' ' || c == '!' || c == '#' || c == '$' || c == '%' || c == '(' || c == ')' ||
            c == '*' || c == '?')
            c = '_';
    }
    return name;
}

void AppendPacketEscaped(QByteArray& out, const char* data, size_t size) {
    const char* p = data;
    const char* end = data + size;
    const char* run = p;
    while (p < end) {
        const size_t n = AnsiCharSize(p, end);
        const char* replacement = nullptr;
        if (n == 1) {
            switch (*p) {
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '&':
                replacement = "&amp;";
                break;
            case '\'':
                replacement = "&apos;";
                break;
            case '"':
                replacement = "&quot;";
                break;
            case '\r':
                replacement = "&#013;";
                break;
            case '\n':
                replacement = "&#010;";
                break;
            case '\t':
                replacement = "&#009;";
                break;
            case '\\':
                replacement = "&#092;";
                break;
            default:
                break;
            }
        }
        if (replacement) {
            out.append(run, p - run);
            out.append(replacement);
            run = p + 1;
        }
        p += n;
    }
    out.append(run, end - run);
}

QByteArray DataPacketHead(const std::vector<TChange>& changeLog) {
    QByteArray out(kDeclaration);
    out.append("  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (int i = 0; i < kFieldCount; ++i) {
        const QByteArray fieldName = FieldName(TField(i));
        const QByteArray& attributeName = AttributeNameOf(TField(i));
        out.append("<FIELD");
        if (attributeName != fieldName)
            AppendAttribute(out, "fieldname", fieldName.constData(), size_t(fieldName.size()));
        AppendAttribute(out, "attrname", attributeName.constData(), size_t(attributeName.size()));
        if (TField(i) == TField::No) {
            out.append(" fieldtype=\"i4\"");
        } else {
            out.append(" fieldtype=\"string\" WIDTH=\"");
            AppendNumber(out, kTextFieldWidth);
            out.append('"');
        }
        out.append("/>");
    }
    out.append("</FIELDS>");
    if (changeLog.empty()) {
        out.append("<PARAMS/>");
    } else {
        out.reserve(out.size() + qsizetype(changeLog.size()) * 12 + 64);
        out.append("<PARAMS CHANGE_LOG=\"");
        bool first = true;
        for (const TChange& change : changeLog) {
            for (const uint32_t number : {change.row, change.replaces, change.kind}) {
                if (!first)
                    out.append(' ');
                first = false;
                AppendNumber(out, number);
            }
        }
        out.append("\"/>");
    }
    out.append("</METADATA><ROWDATA>");
    return out;
}

void AppendDataPacketRow(QByteArray& out, const TRecord& record, bool loggedAppend) {
    out.append("<ROW", 4);
    if (loggedAppend)
        out.append(" RowState=\"4\"");
    if (record.No) {
        out.append(' ');
        out.append(AttributeNameOf(TField::No));
        out.append("=\"", 2);
        AppendNumber(out, *record.No);
        out.append('"');
    }
    for (int i = 1; i < kFieldCount; ++i) {
        const auto& text = record.TextOf(TField(i));
        if (text)
            AppendAttribute(out, AttributeNameOf(TField(i)), text->constData(),
                            size_t(text->size()));
    }
    out.append("/>", 2);
}

QByteArray DataPacketTail() {
    return QByteArrayLiteral("</ROWDATA></DATAPACKET>");
}

bool DecodePacketText(const char* data, size_t size, QByteArray& out, int64_t* unmapped) {
    const char* p = data;
    const char* end = data + size;
    // A trail byte of a double-byte character is never '&' or ';' in any ANSI code page (trail
    // bytes start at 0x40), so a byte search cannot split a character.
    while (p < end) {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)));
        if (!amp) {
            out.append(p, end - p);
            break;
        }
        out.append(p, amp - p);
        const char* nameStart = amp + 1;
        const size_t window = std::min<size_t>(size_t(end - nameStart), 16);
        const char* semicolon = static_cast<const char*>(std::memchr(nameStart, ';', window));
        if (!semicolon || !AppendReference(out, nameStart, size_t(semicolon - nameStart), unmapped))
            return false;
        p = semicolon + 1;
    }
    return true;
}

// ---- Reading ---------------------------------------------------------------------------------

TDataPacketReader::TDataPacketReader(TRecordTable& rows) : rows_(rows) {
    element_.attributes.reserve(16);
    rows_.Clear();
}

bool TDataPacketReader::Fail(const char* reason) {
    if (!failed_) {
        failed_ = true;
        reason_ = reason;
    }
    return false;
}

bool TDataPacketReader::Feed(const char* data, size_t size) {
    if (failed_)
        return false;
    if (std::memchr(data, 0, size))
        return Fail("zero byte");
    const char* p = data;
    const char* end = data + size;
    // Complete the element cut by the last chunk with just enough of this one, then go on in
    // place: copying whole chunks would cost as much as the reading itself.
    while (!buffer_.empty()) {
        const size_t held = buffer_.size();
        if (held > kMaxElementBytes)
            return Fail("element too long");
        if (p == end)
            return true;
        const size_t taken = std::min(size_t(end - p), kMaxElementBytes + 1 - held);
        buffer_.append(p, taken);
        const size_t used = Parse(buffer_.data(), buffer_.data() + buffer_.size());
        if (failed_)
            return false;
        if (used > held) {
            p += used - held;
            buffer_.clear();
            break;
        }
        buffer_.erase(0, used);
        p += taken;
    }
    const size_t used = Parse(p, end);
    if (failed_)
        return false;
    buffer_.assign(p + used, size_t(end - p) - used);
    if (buffer_.size() > kMaxElementBytes)
        return Fail("element too long");
    return true;
}

bool TDataPacketReader::Finish() {
    if (failed_)
        return false;
    if (step_ != TStep::Done || !buffer_.empty())
        return Fail("packet ends early");
    if (!CheckChangeLog())
        return false;
    // Appending logged rows 1 .. n built the log (1, 0, 4) .. (n, 0, 4); any other log is the
    // packet's own to keep.
    if (!(appendsLog_ && allLogged_ && appendsLogLength_ == rows_.Count())) {
        SpellOutChangeLog();
        rows_.ReplaceChangeLog(changeLog_);
        changeLog_ = {};
    }
    return true;
}

bool TDataPacketReader::CheckChangeLog() {
    if (tripleFill_ != 0)
        return Fail("change log is not made of triples");
    const auto rows = uint64_t(rows_.Count());
    if (appendsLog_ && uint64_t(appendsLogLength_) > rows)
        return Fail("change log names a row that is not there");
    for (const TChange& change : changeLog_) {
        if (change.row == 0 || change.row > rows || change.replaces > rows)
            return Fail("change log names a row that is not there");
    }
    return true;
}

void TDataPacketReader::SpellOutChangeLog() {
    if (!appendsLog_)
        return;
    changeLog_.reserve(size_t(appendsLogLength_));
    for (int64_t row = 1; row <= appendsLogLength_; ++row)
        changeLog_.push_back({uint32_t(row), 0, 4});
    appendsLog_ = false;
    appendsLogLength_ = 0;
}

bool TDataPacketReader::TakeTriple() {
    if (appendsLogLength_ + int64_t(changeLog_.size()) >= kMaxRows)
        return Fail("change log too long");
    const TChange change{triple_[0], triple_[1], triple_[2]};
    if (appendsLog_ && change == TChange{uint32_t(appendsLogLength_ + 1), 0, 4}) {
        ++appendsLogLength_;
        return true;
    }
    SpellOutChangeLog();
    changeLog_.push_back(change);
    return true;
}

TDataPacketReader::TParse TDataPacketReader::ParseLiteral(const char* p, const char* end,
                                                          const char* literal, size_t& consumed) {
    const size_t n = std::strlen(literal);
    const size_t available = size_t(end - p);
    if (available < n)
        return std::memcmp(p, literal, available) == 0 ? TParse::Incomplete : TParse::Bad;
    if (std::memcmp(p, literal, n) != 0)
        return TParse::Bad;
    consumed = n;
    return TParse::Ok;
}

TDataPacketReader::TParse TDataPacketReader::ParseElement(const char* p, const char* end,
                                                          size_t& consumed) {
    TElement& el = element_;
    el.attributes.clear();
    el.closing = el.selfClosing = false;
    const char* q = p + 1; // past '<'
    if (q < end && *q == '/') {
        el.closing = true;
        ++q;
    }
    el.name = q;
    while (q < end && Is(*q, kElementNameChar))
        ++q;
    if (q == end)
        return TParse::Incomplete;
    el.nameSize = size_t(q - el.name);
    if (el.nameSize == 0)
        return TParse::Bad;
    for (;;) {
        bool spaced = false;
        while (q < end && IsSpace(*q)) {
            ++q;
            spaced = true;
        }
        if (q == end)
            return TParse::Incomplete;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 == end)
                return TParse::Incomplete;
            if (q[1] == '>' && !el.closing) {
                el.selfClosing = true;
                q += 2;
                break;
            }
        }
        if (el.closing || !spaced || el.attributes.size() == 16)
            return TParse::Bad;
        TAttribute attribute{};
        attribute.name = q;
        while (q < end && Is(*q, kAttributeNameChar))
            ++q;
        if (q == end)
            return TParse::Incomplete;
        attribute.nameSize = size_t(q - attribute.name);
        if (attribute.nameSize == 0 || *q != '=')
            return TParse::Bad;
        if (++q == end)
            return TParse::Incomplete;
        if (*q != '"')
            return TParse::Bad;
        ++q;
        // Values are short, so one pass beats a library search per character sought. A trail
        // byte of a double-byte character is never '"', '<' or '&' (trail bytes start at 0x40).
        attribute.value = q;
        for (;;) {
            q = FindValueStop(q, end);
            if (q == end || *q == '"')
                break;
            if (*q == '<')
                return TParse::Bad;
            attribute.references = true; // '&'
            ++q;
        }
        if (q == end)
            return TParse::Incomplete;
        attribute.valueSize = size_t(q - attribute.value);
        el.attributes.push_back(attribute);
        ++q;
    }
    consumed = size_t(q - p);
    return TParse::Ok;
}

size_t TDataPacketReader::ParseChangeLogNumbers(const char* p, const char* end) {
    const char* q = p;
    for (; q < end; ++q) {
        const char c = *q;
        if (appendsLog_ && tripleFill_ == 0 && !inNumber_) {
            // The log as written, "1 0 4 2 0 4 ...", is taken a triple at a time when the whole
            // triple and the byte after it are at hand; it leaves the state that reading the
            // same bytes one by one leaves.
            const char* d = q;
            uint64_t row = 0;
            for (; d < end && d - q < 10 && *d >= '0' && *d <= '9'; ++d)
                row = row * 10 + uint64_t(*d - '0');
            if (d > q && row == uint64_t(appendsLogLength_) + 1 && end - d > 4 &&
                SameBytes(d, " 0 4", 4) && (d[4] == ' ' || d[4] == '"')) {
                if (appendsLogLength_ >= kMaxRows)
                    return Fail("change log too long"), size_t(q - p);
                ++appendsLogLength_;
                q = d + 4;
                afterSpace_ = *q == ' ';
                if (*q == '"') {
                    step_ = TStep::ChangeLogEnd;
                    return size_t(q + 1 - p);
                }
                continue;
            }
        }
        if (c >= '0' && c <= '9') {
            number_ = number_ * 10 + uint64_t(c - '0');
            if (number_ > UINT32_MAX)
                return Fail("change log number out of range"), size_t(q - p);
            inNumber_ = true;
            afterSpace_ = false;
        } else if (c == ' ' || c == '"') {
            if (c == '"' && !inNumber_ && !afterSpace_ && appendsLog_ && appendsLogLength_ == 0 &&
                tripleFill_ == 0) {
                step_ = TStep::ChangeLogEnd; // CHANGE_LOG=""
                return size_t(q + 1 - p);
            }
            if (!inNumber_)
                return Fail("change log spacing"), size_t(q - p);
            triple_[tripleFill_++] = uint32_t(number_);
            if (tripleFill_ == 3) {
                if (!TakeTriple())
                    return size_t(q - p);
                tripleFill_ = 0;
            }
            number_ = 0;
            inNumber_ = false;
            afterSpace_ = c == ' ';
            if (c == '"') {
                step_ = TStep::ChangeLogEnd;
                return size_t(q + 1 - p);
            }
        } else {
            return Fail("change log character"), size_t(q - p);
        }
    }
    return size_t(q - p);
}

size_t TDataPacketReader::Parse(const char* begin, const char* end) {
    const char* p = begin;
    while (p < end && !failed_) {
        size_t consumed = 0;
        TParse result;
        switch (step_) {
        case TStep::Declaration:
            result = ParseLiteral(p, end, kDeclaration, consumed);
            if (result == TParse::Ok)
                step_ = TStep::DataPacket;
            break;
        case TStep::ParamsEnd:
            // Directly after "<PARAMS": either "/>" or the change log.
            if (*p == '/') {
                result = ParseLiteral(p, end, "/>", consumed);
                if (result == TParse::Ok)
                    step_ = TStep::MetadataEnd;
            } else {
                result = ParseLiteral(p, end, " CHANGE_LOG=\"", consumed);
                if (result == TParse::Ok)
                    step_ = TStep::ChangeLogNumbers;
            }
            break;
        case TStep::ChangeLogNumbers:
            p += ParseChangeLogNumbers(p, end);
            continue;
        case TStep::ChangeLogEnd:
            result = ParseLiteral(p, end, "/>", consumed);
            if (result == TParse::Ok)
                step_ = TStep::MetadataEnd;
            break;
        default:
            // Elements may be separated by white space.
            while (p < end && IsSpace(*p))
                ++p;
            if (p == end)
                return size_t(p - begin);
            if (step_ == TStep::Done || *p != '<') {
                Fail("text outside the elements");
                return size_t(p - begin);
            }
            if (step_ == TStep::Params) {
                result = ParseLiteral(p, end, "<PARAMS", consumed);
                if (result == TParse::Ok)
                    step_ = TStep::ParamsEnd;
                break;
            }
            if (step_ == TStep::RowOrEnd && TakeWrittenRow(p, end, consumed)) {
                result = TParse::Ok;
                break;
            }
            result = ParseElement(p, end, consumed);
            if (result == TParse::Ok && !TakeElement())
                return size_t(p - begin);
            break;
        }
        if (result == TParse::Incomplete)
            break;
        if (result == TParse::Bad) {
            Fail("malformed markup");
            break;
        }
        p += consumed;
    }
    return size_t(p - begin);
}

bool TDataPacketReader::TakeElement() {
    const TElement& el = element_;
    const auto is = [&](const char* name, bool closing) {
        return el.closing == closing && Equals(el.name, el.nameSize, name);
    };
    const bool open = !el.closing && !el.selfClosing;
    switch (step_) {
    case TStep::DataPacket:
        if (!is("DATAPACKET", false) || !open || el.attributes.size() != 1 ||
            !Equals(el.attributes[0].name, el.attributes[0].nameSize, "Version") ||
            !Equals(el.attributes[0].value, el.attributes[0].valueSize, "2.0"))
            return Fail("no DATAPACKET 2.0");
        step_ = TStep::Metadata;
        return true;
    case TStep::Metadata:
        if (!is("METADATA", false) || !open || !el.attributes.empty())
            return Fail("no METADATA");
        step_ = TStep::Fields;
        return true;
    case TStep::Fields:
        if (!is("FIELDS", false) || !open || !el.attributes.empty())
            return Fail("no FIELDS");
        step_ = TStep::FieldOrEnd;
        return true;
    case TStep::FieldOrEnd:
        if (is("FIELDS", true)) {
            for (const bool declared : declared_) {
                if (!declared)
                    return Fail("a field of the table is missing");
            }
            step_ = TStep::Params;
            return true;
        }
        if (!is("FIELD", false) || !el.selfClosing)
            return Fail("no FIELD");
        return TakeField();
    case TStep::MetadataEnd:
        if (!is("METADATA", true))
            return Fail("no end of METADATA");
        step_ = TStep::RowData;
        return true;
    case TStep::RowData:
        if (!is("ROWDATA", false) || !el.attributes.empty() || el.closing)
            return Fail("no ROWDATA");
        step_ = el.selfClosing ? TStep::DataPacketEnd : TStep::RowOrEnd;
        return true;
    case TStep::RowOrEnd:
        if (is("ROWDATA", true)) {
            step_ = TStep::DataPacketEnd;
            return true;
        }
        if (!is("ROW", false) || !el.selfClosing)
            return Fail("no ROW");
        return TakeRow();
    case TStep::DataPacketEnd:
        if (!is("DATAPACKET", true))
            return Fail("no end of DATAPACKET");
        step_ = TStep::Done;
        return true;
    default:
        return Fail("unexpected element");
    }
}

bool TDataPacketReader::TakeField() {
    std::optional<QByteArray> fieldName, attributeName, fieldType, width;
    for (const TAttribute& a : element_.attributes) {
        std::optional<QByteArray>* slot = nullptr;
        if (Equals(a.name, a.nameSize, "fieldname"))
            slot = &fieldName;
        else if (Equals(a.name, a.nameSize, "attrname"))
            slot = &attributeName;
        else if (Equals(a.name, a.nameSize, "fieldtype"))
            slot = &fieldType;
        else if (Equals(a.name, a.nameSize, "WIDTH"))
            slot = &width;
        if (!slot || *slot)
            return Fail("unknown or repeated FIELD attribute");
        slot->emplace();
        if (!DecodePacketText(a.value, a.valueSize, **slot))
            return Fail("broken reference");
    }
    if (!attributeName || attributeName->isEmpty() || !fieldType)
        return Fail("FIELD without attrname or fieldtype");
    const auto field = FindField(fieldName ? *fieldName : *attributeName);
    if (!field || declared_[size_t(*field)])
        return Fail("unknown or repeated field");
    const bool number = *field == TField::No;
    if (*fieldType != (number ? "i4" : "string"))
        return Fail("field of another kind");
    if (width && !ParseCount(width->constData(), size_t(width->size())))
        return Fail("bad WIDTH");
    if (*attributeName == "RowState")
        return Fail("field named like the row state");
    for (int i = 0; i < kFieldCount; ++i) {
        if (declared_[size_t(i)] && attributeNames_[size_t(i)] == *attributeName)
            return Fail("two fields under one attribute name");
    }
    declared_[size_t(*field)] = true;
    attributeNames_[size_t(*field)] = *attributeName;
    // Rows are read in their written form only under a name the element parser reads whole.
    bool plain = true;
    for (const char c : *attributeName)
        plain = plain && Is(c, kAttributeNameChar);
    attributeStarts_[size_t(*field)] = plain ? ' ' + *attributeName + "=\"" : QByteArray();
    return true;
}

void TDataPacketReader::AppendRow(const TRecordView& record, bool logged) {
    rows_.Append(record, logged);
    allLogged_ = allLogged_ && logged;
}

bool TDataPacketReader::TakeWrittenRow(const char* p, const char* end, size_t& consumed) {
    // The form every row is written in: "<ROW", then RowState="4" when logged, then one attribute
    // per field with a value in field order, each after a single space, then "/>". Anything else
    // (other spacing or order, a reference, a bad number, a row cut by the end of the chunk) is
    // left to the general element parser, which reads or refuses it as it always has; nothing is
    // taken before the whole row has been seen.
    static constexpr char kRowState[] = " RowState=\"4\"";
    constexpr size_t kRowStateSize = sizeof kRowState - 1;
    if (end - p < 6 || !SameBytes(p, "<ROW", 4) || rows_.Count() >= kMaxRows)
        return false;
    const char* q = p + 4;
    const bool logged = size_t(end - q) >= kRowStateSize && SameBytes(q, kRowState, kRowStateSize);
    if (logged)
        q += kRowStateSize;
    // Reused and cleared field by field: building a fresh one clears all its bytes every row.
    TRecordView& record = row_;
    record.No.reset();
    for (auto& text : record.Text)
        text.reset();
    size_t field = 0;
    for (;;) {
        if (end - q < 2)
            return false;
        if (q[0] == '/' && q[1] == '>')
            break;
        if (q[0] != ' ')
            return false;
        // Fields without a value are left out, so the attribute may name any later field.
        for (; field < size_t(kFieldCount); ++field) {
            const QByteArray& start = attributeStarts_[field];
            if (!start.isEmpty() && size_t(end - q) >= size_t(start.size()) &&
                SameBytes(q, start.constData(), size_t(start.size())))
                break;
        }
        if (field == size_t(kFieldCount))
            return false;
        const char* value = q + attributeStarts_[field].size();
        q = FindValueStop(value, end);
        if (q == end || *q != '"')
            return false;
        const std::string_view text(value, size_t(q - value));
        if (TField(field) == TField::No) {
            record.No = ParseInt32(text);
            if (!record.No)
                return false;
        } else {
            // The table holds 20 characters; a packet written with wider fields is cut.
            if (text.size() > size_t(kTextFieldWidth))
                ++cutValues_;
            record.Text[field - 1] =
                QByteArrayView(value, qsizetype(std::min<size_t>(text.size(), kTextFieldWidth)));
        }
        ++field;
        ++q;
    }
    AppendRow(record, logged);
    consumed = size_t(q + 2 - p);
    return true;
}

bool TDataPacketReader::TakeRow() {
    if (rows_.Count() >= kMaxRows)
        return Fail("more rows than the table holds");
    TRecordView record;
    bool logged = false;
    bool rowState = false;
    unsigned seen = 0;
    int next = 0;
    for (const TAttribute& a : element_.attributes) {
        if (!rowState && Equals(a.name, a.nameSize, "RowState")) {
            // Only appended rows are ever written; the table has no other row states.
            if (!Equals(a.value, a.valueSize, "4"))
                return Fail("row state other than an appended row");
            rowState = logged = true;
            continue;
        }
        // Attributes come in field order, so the field after the last one is tried first.
        int field = next;
        if (field == kFieldCount || !Equals(a.name, a.nameSize, attributeNames_[size_t(field)])) {
            field = 0;
            while (field < kFieldCount &&
                   !Equals(a.name, a.nameSize, attributeNames_[size_t(field)]))
                ++field;
        }
        next = field + 1;
        if (field == kFieldCount || (seen & (1u << field)))
            return Fail("unknown or repeated ROW attribute");
        seen |= 1u << field;
        std::string_view value(a.value, a.valueSize);
        if (a.references) {
            QByteArray& decoded = decoded_[size_t(field)];
            decoded.clear();
            if (!DecodePacketText(a.value, a.valueSize, decoded, &unmappedCharacters_))
                return Fail("broken reference");
            value = std::string_view(decoded.constData(), size_t(decoded.size()));
        }
        if (TField(field) == TField::No) {
            record.No = ParseInt32(value);
            if (!record.No)
                return Fail("No is not a 32-bit integer");
        } else {
            if (value.size() > size_t(kTextFieldWidth))
                ++cutValues_;
            value = value.substr(0, kTextFieldWidth);
            record.Text[size_t(field - 1)] =
                QByteArrayView(value.data() ? value.data() : "", qsizetype(value.size()));
        }
    }
    AppendRow(record, logged);
    return true;
}
