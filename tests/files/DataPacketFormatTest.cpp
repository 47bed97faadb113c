#include "records/DataPacketFormat.h"
#include "FilesTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

QByteArray WritePacket(const TRecordTable& table) {
    QByteArray out = DataPacketHead(table.ChangeLog());
    for (int64_t i = 0; i < table.Count(); ++i)
        AppendDataPacketRow(out, table.At(i), table.IsLoggedAppend(i));
    return out + DataPacketTail();
}

// What a packet read into a table of its own leaves there.
struct TPacketRead {
    bool ok;
    std::string reason;
    std::vector<TRecord> records;
    std::vector<bool> logged;
    std::vector<TChange> changeLog;
};

TPacketRead ReadPacket(const QByteArray& bytes, size_t chunk = 0) {
    TRecordTable rows;
    TDataPacketReader reader(rows);
    const size_t step = chunk ? chunk : std::max<size_t>(1, size_t(bytes.size()));
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(step))
        reader.Feed(bytes.constData() + at, std::min<size_t>(step, size_t(bytes.size() - at)));
    TPacketRead result{reader.Finish(), reader.Reason(), Records(rows), {}, rows.ChangeLog()};
    for (int64_t i = 0; i < rows.Count(); ++i)
        result.logged.push_back(rows.IsLoggedAppend(i));
    return result;
}

QByteArray Escaped(const QByteArray& text) {
    QByteArray out;
    AppendPacketEscaped(out, text.constData(), size_t(text.size()));
    return out;
}

TEST(DataPacketWriting, SmallTableIsByteExact) {
    TRecordTable table;
    FillSample(table);
    EXPECT_EQ(WritePacket(table), kSamplePacket);
}

TEST(DataPacketWriting, EmptyTableHasPlainParamsAndEmptyRowData) {
    TRecordTable table;
    EXPECT_EQ(WritePacket(table), kPacketHead + "<PARAMS/></METADATA><ROWDATA></ROWDATA>"
                                                "</DATAPACKET>");
}

TEST(DataPacketWriting, RecordedReadingGivesTheExampleRow) {
    QByteArray out;
    AppendDataPacketRow(out, Rec(1, "10:20", "45.6%RH", "23.4", "#"), true);
    EXPECT_EQ(out, QByteArray("<ROW RowState=\"4\" No=\"1\" Time=\"10:20\" Value=\"45.6%RH\" "
                              "DC/AC=\"23.4\" Unit=\"#\"/>"));
}

TEST(DataPacketWriting, FieldsWithoutValueAreLeftOutAndUnloggedRowsHaveNoState) {
    QByteArray out;
    AppendDataPacketRow(out, Rec(std::nullopt, nullptr, "v", nullptr, nullptr), false);
    EXPECT_EQ(out, QByteArray("<ROW Value=\"v\"/>"));
}

TEST(DataPacketWriting, EscapesEveryListedCharacter) {
    EXPECT_EQ(Escaped("<>&'\"\r\n\t\\ok/%#"),
              QByteArray("&lt;&gt;&amp;&apos;&quot;&#013;&#010;&#009;&#092;ok/%#"));
    EXPECT_EQ(Escaped("\xb0"
                      "C \xe9"),
              QByteArray("\xb0"
                         "C \xe9"));
}

TEST(DataPacketWriting, AttributeNamesReplaceOnlyTheListedCharacters) {
    EXPECT_EQ(PacketAttributeName("DC/AC"), QByteArray("DC/AC"));
    EXPECT_EQ(PacketAttributeName("a b!#$%()*?c"), QByteArray("a_b________c"));
}

struct DecodeCase {
    const char* text;
    bool ok;
    QByteArray decoded;
};

class PacketTextDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PacketTextDecoding, DecodesReferencesOrRefuses) {
    QByteArray out;
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodePacketText(c.text, std::strlen(c.text), out), c.ok) << c.text;
    if (c.ok) {
        EXPECT_EQ(out, c.decoded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    References, PacketTextDecoding,
    ::testing::Values(
        DecodeCase{"plain", true, "plain"}, DecodeCase{"&lt;&gt;&amp;&apos;&quot;", true, "<>&'\""},
        DecodeCase{"a&#013;&#010;&#009;&#092;b", true, "a\r\n\t\\b"},
        DecodeCase{"&#x41;&#x5c;&#xE9;", true, "A\\\xe9"},
        DecodeCase{"&#65;&#0000065;", true, "AA"},
        DecodeCase{"&#8364;&#x2122;", true, "\x80\x99"}, // via Windows-1252
        DecodeCase{"&#x4E2D;", true, "?"},               // not in the code page
        DecodeCase{"&", false, ""}, DecodeCase{"&amp", false, ""}, DecodeCase{"&nbsp;", false, ""},
        DecodeCase{"&#;", false, ""}, DecodeCase{"&#x;", false, ""}, DecodeCase{"&#0;", false, ""},
        DecodeCase{"&#12a;", false, ""}, DecodeCase{"&#xD800;", false, ""},
        DecodeCase{"&#1114112;", false, ""}, DecodeCase{"&#99999999999999999999;", false, ""},
        DecodeCase{"&#X41;", false, ""}));

TEST(DataPacketReading, ReadsWhatIsWrittenIncludingEscapesAndMissingFields) {
    TRecordTable table;
    FillSample(table);
    table.Append(Rec(-4, "<&>\"'", "\r\n\t\\", nullptr, "\xb0"), false);
    table.Append(Rec(std::nullopt, nullptr, nullptr, nullptr, nullptr), true);
    const auto r = ReadPacket(WritePacket(table));
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.records, Records(table));
    EXPECT_EQ(r.logged, (std::vector<bool>{true, true, true, false, true}));
    EXPECT_EQ(r.changeLog, table.ChangeLog());
}

// The table appends its rows as they are read and logs the logged ones; whatever the packet's
// own log is, the table must end up with exactly that log.
struct ChangeLogCase {
    const char* name;
    const char* log;  // replaces "1 0 4 2 0 4 3 0 4"
    bool unlogSecond; // row 2 written without RowState
    std::vector<TChange> expected;
};

class DataPacketChangeLogs : public ::testing::TestWithParam<ChangeLogCase> {};

TEST_P(DataPacketChangeLogs, TheTableKeepsThePacketsOwnLog) {
    const ChangeLogCase& c = GetParam();
    QByteArray packet = kSamplePacket;
    packet.replace("1 0 4 2 0 4 3 0 4", c.log);
    if (c.unlogSecond)
        packet.replace("<ROW RowState=\"4\" No=\"2\"", "<ROW No=\"2\"");
    for (size_t chunk : {size_t(0), size_t(3)}) {
        const auto r = ReadPacket(packet, chunk);
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.changeLog, c.expected) << chunk;
        EXPECT_EQ(r.logged, (std::vector<bool>{true, !c.unlogSecond, true}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Logs, DataPacketChangeLogs,
    ::testing::Values(
        ChangeLogCase{"AppendsOwn", "1 0 4 2 0 4 3 0 4", false, {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}},
        ChangeLogCase{"Reordered", "3 0 4 2 0 4 1 0 4", false, {{3, 0, 4}, {2, 0, 4}, {1, 0, 4}}},
        ChangeLogCase{
            "UnloggedRowStillListed", "1 0 4 2 0 4 3 0 4", true, {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}},
        ChangeLogCase{"ShorterThanTheRows", "1 0 4 2 0 4", false, {{1, 0, 4}, {2, 0, 4}}},
        ChangeLogCase{"AppendsThenOtherChanges",
                      "1 0 4 2 0 4 3 1 2",
                      false,
                      {{1, 0, 4}, {2, 0, 4}, {3, 1, 2}}},
        ChangeLogCase{"OtherFirst", "2 0 4 3 0 4", false, {{2, 0, 4}, {3, 0, 4}}},
        ChangeLogCase{"Empty", "", false, {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(DataPacketReading, ChunkBoundariesChangeNothing) {
    const auto whole = ReadPacket(kSamplePacket);
    ASSERT_TRUE(whole.ok);
    for (size_t chunk = 1; chunk <= 7; ++chunk) {
        const auto pieces = ReadPacket(kSamplePacket, chunk);
        ASSERT_TRUE(pieces.ok) << chunk << " " << pieces.reason;
        EXPECT_EQ(pieces.records, whole.records);
        EXPECT_EQ(pieces.changeLog, whole.changeLog);
    }
}

TEST(DataPacketReading, EveryTruncationIsRefused) {
    for (qsizetype n = 0; n < kSamplePacket.size(); ++n)
        EXPECT_FALSE(ReadPacket(kSamplePacket.left(n)).ok) << n;
}

TEST(DataPacketReading, AcceptsWhiteSpaceBetweenElementsAndOtherFieldOrders) {
    QByteArray packet = kSamplePacket;
    packet.replace("<FIELD attrname=\"No\" fieldtype=\"i4\"/>", "");
    packet.replace("</FIELDS>", "<FIELD attrname=\"No\" fieldtype=\"i4\"/></FIELDS>");
    packet.replace("><", ">\r\n<");
    const auto r = ReadPacket(packet + "\r\n");
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.records.size(), 3u);
}

// Rows in the written form are taken straight from the bytes; every other form goes through the
// general element parser. Both must give the same rows.
TEST(DataPacketReading, RowsInOtherFormsReadAsTheWrittenOnes) {
    const auto written = ReadPacket(kSamplePacket);
    ASSERT_TRUE(written.ok) << written.reason;
    const std::pair<const char*, const char*> forms[] = {
        {"<ROW RowState=\"4\" No=\"1\" Time", "<ROW  RowState=\"4\"\tNo=\"1\"\r\nTime"},
        {"Unit=\"#\"/><ROW RowState=\"4\" No=\"2\"", "Unit=\"#\" /><ROW RowState=\"4\" No=\"2\""},
        {"<ROW RowState=\"4\" No=\"2\" Time=\"10:21\"",
         "<ROW Time=\"10:21\" No=\"2\" RowState=\"4\""},
        {"Time=\"10:22\"", "Time=\"10&#058;22\""},
        {"No=\"3\"", "No=\"&#051;\""},
    };
    for (const auto& [from, to] : forms) {
        QByteArray packet = kSamplePacket;
        ASSERT_TRUE(packet.contains(from)) << from;
        packet.replace(from, to);
        const auto r = ReadPacket(packet);
        ASSERT_TRUE(r.ok) << to << ": " << r.reason;
        EXPECT_EQ(r.records, written.records) << to;
        EXPECT_EQ(r.logged, written.logged) << to;
    }
}

TEST(DataPacketReading, ARowWithoutNoKeepsItsFirstText) {
    // Both the written form and one only the general element parser reads.
    for (const char* row : {"<ROW RowState=\"4\" Time=\"7\" Unit=\"#\"/>",
                            "<ROW RowState=\"4\"  Time=\"7\" Unit=\"#\"/>",
                            "<ROW Unit=\"#\" Time=\"7\" RowState=\"4\"/>"}) {
        const QByteArray packet = kPacketHead +
                                  "<PARAMS CHANGE_LOG=\"1 0 4\"/></METADATA><ROWDATA>" + row +
                                  "</ROWDATA></DATAPACKET>";
        const auto r = ReadPacket(packet);
        ASSERT_TRUE(r.ok) << row << ": " << r.reason;
        EXPECT_EQ(r.records, std::vector<TRecord>{Rec(std::nullopt, "7", nullptr, nullptr, "#")})
            << row;
    }
}

struct NoCase {
    const char* text;
    std::optional<int32_t> no; // nullopt: the packet is refused
};

class DataPacketNoValues : public ::testing::TestWithParam<NoCase> {};

TEST_P(DataPacketNoValues, AreReadAsDecimalIntegersOfThirtyTwoBits) {
    const NoCase& c = GetParam();
    // The written form and one that only the general element parser reads.
    for (const char* space : {" ", "  "}) {
        const QByteArray packet = kPacketHead + "<PARAMS/></METADATA><ROWDATA><ROW" + space +
                                  "No=\"" + c.text + "\"/></ROWDATA></DATAPACKET>";
        const auto r = ReadPacket(packet);
        ASSERT_EQ(r.ok, c.no.has_value()) << c.text << ": " << r.reason;
        if (c.no) {
            ASSERT_EQ(r.records.size(), 1u);
            EXPECT_EQ(r.records[0].No, c.no) << c.text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, DataPacketNoValues,
    ::testing::Values(NoCase{"0", 0}, NoCase{"-0", 0}, NoCase{"007", 7},
                      NoCase{"00000000000000000042", 42}, NoCase{"2147483647", INT32_MAX},
                      NoCase{"-2147483648", INT32_MIN}, NoCase{"2147483648", std::nullopt},
                      NoCase{"-2147483649", std::nullopt},
                      NoCase{"99999999999999999999", std::nullopt}, NoCase{"", std::nullopt},
                      NoCase{"-", std::nullopt}, NoCase{"+1", std::nullopt},
                      NoCase{"--1", std::nullopt}, NoCase{" 1", std::nullopt},
                      NoCase{"1 ", std::nullopt}, NoCase{"0x10", std::nullopt},
                      NoCase{"1e3", std::nullopt}));

TEST(DataPacketReading, AnAttributeNameNoRowCanCarryIsNeverMatched) {
    // The Unit field is declared under a name with a quote in it: no attribute can be read under
    // that name, so rows without Unit read, and a row that spells it out is refused.
    QByteArray packet = kSamplePacket;
    packet.replace("attrname=\"Unit\"", "fieldname=\"Unit\" attrname=\"U&quot;n\"");
    packet.replace(" Unit=\"#\"", "");
    const QByteArray spelledOut = QByteArray(packet).replace(" Unit=\"$\"", " U\"n=\"$\"");
    packet.replace(" Unit=\"$\"", "");
    const auto r = ReadPacket(packet);
    ASSERT_TRUE(r.ok) << r.reason;
    ASSERT_EQ(r.records.size(), 3u);
    for (const TRecord& record : r.records)
        EXPECT_EQ(record.TextOf(TField::Unit), std::nullopt);
    EXPECT_EQ(r.records[2].TextOf(TField::Time), QByteArray("10:22"));
    EXPECT_FALSE(ReadPacket(spelledOut).ok);
}

TEST(DataPacketReading, FieldNamesMatchWithoutCaseAndLongTextsAreCut) {
    QByteArray packet = kSamplePacket;
    packet.replace("attrname=\"Value\"", "fieldname=\"VALUE\" attrname=\"v_1\"");
    packet.replace("WIDTH=\"20\"", "WIDTH=\"40\"");
    packet.replace("Value=\"45.6%RH\"", "v_1=\"1234567890123456789012345\"");
    packet.replace("Value=", "v_1=");
    const auto r = ReadPacket(packet);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(*r.records[0].TextOf(TField::Value), QByteArray("12345678901234567890"));
}

TEST(DataPacketReading, EmptyChangeLogAndSelfClosedRowDataAreRead) {
    QByteArray packet = kPacketHead + "<PARAMS CHANGE_LOG=\"\"/></METADATA><ROWDATA/></DATAPACKET>";
    const auto r = ReadPacket(packet);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_TRUE(r.records.empty());
}

struct RefusalCase {
    const char* name;
    const char* from;
    const char* to;
};

class DataPacketRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(DataPacketRefusals, RefuseAnythingButTheWrittenForm) {
    QByteArray packet = kSamplePacket;
    ASSERT_TRUE(packet.contains(GetParam().from));
    packet.replace(GetParam().from, GetParam().to);
    EXPECT_FALSE(ReadPacket(packet).ok);
}

INSTANTIATE_TEST_SUITE_P(
    Packets, DataPacketRefusals,
    ::testing::Values(
        RefusalCase{"OtherDeclaration", "standalone=\"yes\"", "encoding=\"UTF-8\""},
        RefusalCase{"OtherVersion", "Version=\"2.0\"", "Version=\"3.0\""},
        RefusalCase{"MissingField", "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>",
                    ""},
        RefusalCase{"NoAsString", "attrname=\"No\" fieldtype=\"i4\"",
                    "attrname=\"No\" fieldtype=\"string\""},
        RefusalCase{"TextAsInteger", "attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"",
                    "attrname=\"Time\" fieldtype=\"i4\""},
        RefusalCase{"UnknownField", "attrname=\"Unit\"", "attrname=\"Color\""},
        RefusalCase{"RepeatedField", "attrname=\"Unit\"", "attrname=\"Time\""},
        RefusalCase{"BadWidth", "WIDTH=\"20\"", "WIDTH=\"x\""},
        RefusalCase{"OtherParams", "<PARAMS CHANGE_LOG", "<PARAMS LCID=\"1033\" CHANGE_LOG"},
        RefusalCase{"ChangeLogNotTriples", "1 0 4 2 0 4 3 0 4", "1 0 4 2 0"},
        RefusalCase{"ChangeLogDoubleSpace", "1 0 4 2", "1 0 4  2"},
        RefusalCase{"ChangeLogLetter", "1 0 4 2", "1 0 4 x"},
        RefusalCase{"ChangeLogBeyondRows", "3 0 4\"", "4 0 4\""},
        RefusalCase{"AppendsLogBeyondRows", "3 0 4\"", "3 0 4 4 0 4\""},
        RefusalCase{"ChangeLogHugeNumber", "3 0 4\"", "3 0 99999999999\""},
        RefusalCase{"OtherRowState", "RowState=\"4\" No=\"1\"", "RowState=\"8\" No=\"1\""},
        RefusalCase{"UnknownRowAttribute", "Unit=\"#\"/>", "Colour=\"#\"/>"},
        RefusalCase{"RepeatedRowAttribute", "Unit=\"$\"", "Unit=\"$\" Unit=\"$\""},
        RefusalCase{"NoNotANumber", "No=\"2\"", "No=\"2x\""},
        RefusalCase{"NoOutOfRange", "No=\"2\"", "No=\"2147483648\""},
        RefusalCase{"BrokenReference", "Time=\"10:20\"", "Time=\"10&20\""},
        RefusalCase{"RawLessThan", "Time=\"10:20\"", "Time=\"10<20\""},
        RefusalCase{"SingleQuotes", "Time=\"10:20\"", "Time='10:20'"},
        RefusalCase{"SpaceAroundEquals", "Time=\"10:20\"", "Time = \"10:20\""},
        RefusalCase{"RowWithContent", "Unit=\"$\"/>", "Unit=\"$\">x</ROW>"},
        RefusalCase{"TextAfterEnd", "</DATAPACKET>", "</DATAPACKET>x"},
        RefusalCase{"SecondPacket", "</DATAPACKET>", "</DATAPACKET><DATAPACKET>"},
        RefusalCase{"MissingRowDataEnd", "</ROWDATA>", ""}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(DataPacketReading, AZeroByteIsRefused) {
    QByteArray packet = kSamplePacket;
    packet[packet.indexOf("10:20") + 2] = '\0';
    EXPECT_FALSE(ReadPacket(packet).ok);
}

TEST(DataPacketReading, AnElementBeyondTheCapIsRefusedWithoutWaitingForTheEnd) {
    TRecordTable rows;
    TDataPacketReader reader(rows);
    const QByteArray start = kPacketHead + "<PARAMS/></METADATA><ROWDATA><ROW Time=\"";
    EXPECT_TRUE(reader.Feed(start.constData(), size_t(start.size())));
    const QByteArray filler(4096, 'a');
    bool refused = false;
    for (int i = 0; i < 64 && !refused; ++i)
        refused = !reader.Feed(filler.constData(), size_t(filler.size()));
    EXPECT_TRUE(refused);
}

TEST(DataPacketReading, ChangeLogsNearTheWrittenFormReadNumberByNumber) {
    // Triples in the written form are compared whole; these differ from it in ways that must
    // still read (or be refused) exactly as the numbers say.
    struct TLogCase {
        const char* log;
        bool ok;
        std::vector<TChange> expected;
    };
    const TLogCase cases[] = {
        {"1 0 4 2 0 4 3 0 4", true, {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}},
        {"01 0 4 2 0 4 3 0 4", true, {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}},
        {"1 0 43 2 0 4", true, {{1, 0, 43}, {2, 0, 4}}},
        {"1 0 4 2 0 40 3 0 4", true, {{1, 0, 4}, {2, 0, 40}, {3, 0, 4}}},
        {"1 0 4 2 0 4 3 0 4 ", false, {}},
        {"1 0 4 2 00 4 3 0 4", true, {{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}},
        {"1 0 4 12 0 4", false, {}}, // row 12 is not there
    };
    for (const TLogCase& c : cases) {
        QByteArray packet = kSamplePacket;
        packet.replace("1 0 4 2 0 4 3 0 4", c.log);
        for (size_t chunk : {size_t(0), size_t(1), size_t(5)}) {
            const auto r = ReadPacket(packet, chunk);
            ASSERT_EQ(r.ok, c.ok) << c.log << " " << chunk << ": " << r.reason;
            if (c.ok) {
                EXPECT_EQ(r.changeLog, c.expected) << c.log << " " << chunk;
            }
        }
    }
}

TEST(DataPacketReading, ALongChangeLogIsReadWithoutHoldingThePacket) {
    TRecordTable table;
    for (int i = 0; i < 50000; ++i)
        table.Append(Rec(i, "t", nullptr, nullptr, nullptr));
    const QByteArray packet = WritePacket(table);
    ASSERT_GT(packet.size(), qsizetype(TDataPacketReader::kMaxElementBytes * 4));
    const auto r = ReadPacket(packet, 4096);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.changeLog, table.ChangeLog());
}

} // namespace
