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

struct TPacketRead {
    bool ok;
    std::string reason;
    TPacketContent content;
};

TPacketRead ReadPacket(const QByteArray& bytes, size_t chunk = 0) {
    TDataPacketReader reader;
    const size_t step = chunk ? chunk : std::max<size_t>(1, size_t(bytes.size()));
    for (qsizetype at = 0; at < bytes.size(); at += qsizetype(step))
        reader.Feed(bytes.constData() + at, std::min<size_t>(step, size_t(bytes.size() - at)));
    TPacketRead result{reader.Finish(), reader.Reason(), {}};
    result.content = reader.TakeContent();
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
    EXPECT_EQ(r.content.rows.Records(), Records(table));
    EXPECT_EQ(r.content.rows.LoggedAppends(), (std::vector<bool>{true, true, true, false, true}));
    EXPECT_EQ(r.content.changeLog, table.ChangeLog());
}

TEST(DataPacketReading, TellsWhetherTheChangeLogIsTheAppendsOwn) {
    EXPECT_TRUE(ChangeLogMatchesAppends(ReadPacket(kSamplePacket).content));
    QByteArray packet = kSamplePacket;
    packet.replace("1 0 4 2 0 4 3 0 4", "3 0 4 2 0 4 1 0 4");
    const auto reordered = ReadPacket(packet);
    ASSERT_TRUE(reordered.ok);
    EXPECT_FALSE(ChangeLogMatchesAppends(reordered.content));
    packet = kSamplePacket;
    packet.replace("<ROW RowState=\"4\" No=\"2\"", "<ROW No=\"2\"");
    const auto unlogged = ReadPacket(packet);
    ASSERT_TRUE(unlogged.ok);
    EXPECT_FALSE(ChangeLogMatchesAppends(unlogged.content));
}

TEST(DataPacketReading, ChunkBoundariesChangeNothing) {
    const auto whole = ReadPacket(kSamplePacket);
    ASSERT_TRUE(whole.ok);
    for (size_t chunk = 1; chunk <= 7; ++chunk) {
        const auto pieces = ReadPacket(kSamplePacket, chunk);
        ASSERT_TRUE(pieces.ok) << chunk << " " << pieces.reason;
        EXPECT_EQ(pieces.content.rows.Records(), whole.content.rows.Records());
        EXPECT_EQ(pieces.content.changeLog, whole.content.changeLog);
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
    EXPECT_EQ(r.content.rows.Count(), 3);
}

TEST(DataPacketReading, FieldNamesMatchWithoutCaseAndLongTextsAreCut) {
    QByteArray packet = kSamplePacket;
    packet.replace("attrname=\"Value\"", "fieldname=\"VALUE\" attrname=\"v_1\"");
    packet.replace("WIDTH=\"20\"", "WIDTH=\"40\"");
    packet.replace("Value=\"45.6%RH\"", "v_1=\"1234567890123456789012345\"");
    packet.replace("Value=", "v_1=");
    const auto r = ReadPacket(packet);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(*r.content.rows.Records()[0].TextOf(TField::Value),
              QByteArray("12345678901234567890"));
}

TEST(DataPacketReading, EmptyChangeLogAndSelfClosedRowDataAreRead) {
    QByteArray packet = kPacketHead + "<PARAMS CHANGE_LOG=\"\"/></METADATA><ROWDATA/></DATAPACKET>";
    const auto r = ReadPacket(packet);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_TRUE(r.content.rows.Records().empty());
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
    TDataPacketReader reader;
    const QByteArray start = kPacketHead + "<PARAMS/></METADATA><ROWDATA><ROW Time=\"";
    EXPECT_TRUE(reader.Feed(start.constData(), size_t(start.size())));
    const QByteArray filler(4096, 'a');
    bool refused = false;
    for (int i = 0; i < 64 && !refused; ++i)
        refused = !reader.Feed(filler.constData(), size_t(filler.size()));
    EXPECT_TRUE(refused);
}

TEST(DataPacketReading, ALongChangeLogIsReadWithoutHoldingThePacket) {
    TRecordTable table;
    for (int i = 0; i < 50000; ++i)
        table.Append(Rec(i, "t", nullptr, nullptr, nullptr));
    const QByteArray packet = WritePacket(table);
    ASSERT_GT(packet.size(), qsizetype(TDataPacketReader::kMaxElementBytes * 4));
    const auto r = ReadPacket(packet, 4096);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.content.changeLog, table.ChangeLog());
}

} // namespace
