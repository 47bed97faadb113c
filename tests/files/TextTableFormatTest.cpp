#include "records/TextTableFormat.h"
#include "FilesTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// Reads a whole text through the streaming reader, chunk bytes at a time (0: in one piece).
struct TReadResult {
    bool ok;
    std::vector<TRecord> records;
    TTextTableReader::TError error;
    int64_t errorLine;
};

TReadResult ReadText(const QByteArray& text, size_t chunk = 0) {
    TReadResult result{};
    TTextTableReader reader([&](const TRecordView& r) {
        result.records.push_back(r.ToRecord());
        return true;
    });
    const size_t step = chunk ? chunk : std::max<size_t>(1, size_t(text.size()));
    for (qsizetype at = 0; at < text.size(); at += qsizetype(step))
        reader.Feed(text.constData() + at, std::min<size_t>(step, size_t(text.size() - at)));
    result.ok = reader.Finish();
    result.error = reader.Error();
    result.errorLine = reader.ErrorLine();
    return result;
}

std::vector<std::string> Split(const char* line) {
    std::vector<TTextItem> items;
    std::string scratch;
    SplitTextTableItems(line, line + std::strlen(line), 8, items, scratch);
    std::vector<std::string> out;
    for (const auto& item : items)
        out.emplace_back(item.data, item.size);
    return out;
}

TEST(TextTableWriting, HeaderAndLinesAreByteExact) {
    TRecordTable table;
    FillSample(table);
    QByteArray out = TextTableHeader();
    for (const auto& r : Records(table))
        AppendTextTableLine(out, r);
    EXPECT_EQ(out, kSampleText);
}

TEST(TextTableWriting, TrimsControlsAndSpacesAndWritesNullForMissingOrBlank) {
    QByteArray out;
    EXPECT_EQ(AppendTextTableLine(out, Rec(-7, "\x01 ab\t", nullptr, " \t\r\n", "\x7f")), 0);
    // 0x7F is above 32 and is kept.
    EXPECT_EQ(out, QByteArray("-7\tab\tNULL\tNULL\t\x7f\r\n"));
}

// Every value that a line can hold reads back as it was written: inner blanks and quotes are
// quoted; a line break cannot be held and becomes a space, which the writer counts.
TEST(TextTableWriting, ValuesWithSeparatorsReadBackWhole) {
    struct TCase {
        const char* value;
        const char* written;
        const char* readBack;
        int changed;
    };
    const TCase cases[] = {
        {"a b", "\"a b\"", "a b", 0},
        {"a\tb", "\"a\tb\"", "a\tb", 0},
        {"say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\"", 0},
        {"\"", "\"\"\"\"", "\"", 0},
        {"two\r\nlines", "\"two  lines\"", "two  lines", 1},
        {"a\nb", "\"a b\"", "a b", 1},
    };
    for (const TCase& test : cases) {
        QByteArray out;
        EXPECT_EQ(AppendTextTableLine(out, Rec(1, test.value, "v", "r", "u")), test.changed);
        EXPECT_EQ(out, "1\t" + QByteArray(test.written) + "\tv\tr\tu\r\n") << test.value;
        TRecordView record;
        std::string scratch;
        ASSERT_EQ(
            ParseTextTableLine(out.constData(), out.constData() + out.size() - 2, record, scratch),
            TTextLineResult::Record)
            << test.value;
        EXPECT_EQ(record.Text[0], QByteArrayView(test.readBack)) << test.value;
        EXPECT_EQ(record.Text[3], QByteArrayView("u")) << test.value;
    }
}

TEST(TextTableWriting, NoIsWrittenWithoutTheNullRule) {
    QByteArray out;
    AppendTextTableLine(out, Rec(std::nullopt, "t", "v", "r", "u"));
    EXPECT_EQ(out, QByteArray("\tt\tv\tr\tu\r\n"));
}

struct SplitCase {
    const char* line;
    std::vector<std::string> items;
};

class TextItemSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(TextItemSplitting, SplitsAsTheTableReaderDoes) {
    EXPECT_EQ(Split(GetParam().line), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextItemSplitting,
    ::testing::Values(
        SplitCase{"", {}}, SplitCase{" \t \x01", {}},
        SplitCase{"1\t10:20\t45.6%RH", {"1", "10:20", "45.6%RH"}},
        // Runs of TABs and spaces separate alike; an empty field yields nothing.
        SplitCase{"1\t\t\tb  \t c", {"1", "b", "c"}}, SplitCase{"1\ta b", {"1", "a", "b"}},
        SplitCase{"\"a b\"\t\"say \"\"hi\"\"\"", {"a b", "say \"hi\""}}, SplitCase{"\"\"", {""}},
        SplitCase{"\"ab\"cd", {"ab", "cd"}}, SplitCase{"x\"y\"", {"x\"y\""}},
        // Several quoted items, longer than any buffer kept inside a string.
        SplitCase{"\"aaaaaaaaaaaaaaaaaaaaaaaaa\" b \"cccccccccccccccccc\"\"cccccccccc\" "
                  "\"\" \"ddddddddddddddddddddddddddddddd",
                  {"aaaaaaaaaaaaaaaaaaaaaaaaa", "b", "cccccccccccccccccc\"cccccccccc", "",
                   "ddddddddddddddddddddddddddddddd"}},
        // An unclosed quote runs to the end of the line.
        SplitCase{"1 \"open end", {"1", "open end"}},
        SplitCase{"\xe9t\xe9\t\xb0"
                  "C",
                  {"\xe9t\xe9", "\xb0"
                                "C"}}));

TEST(TextItemSplitting, StopsOnceThereAreMoreItemsThanAllowed) {
    std::vector<TTextItem> items;
    std::string scratch;
    const char line[] = "1 2 3 4 5 6 7 8 9";
    SplitTextTableItems(line, line + sizeof line - 1, 5, items, scratch);
    EXPECT_EQ(items.size(), 6u);
}

// Lines are split two ways: plain lines of up to 64 bytes by byte masks, every other line by the
// item scanner that SplitTextTableItems uses. Both must give the same items.
TEST(TextItemSplitting, PlainAndScannedLinesSplitAlike) {
    const char alphabet[] = {'1', 'a', 'Z', ' ', '\t', '\x01', ' ', '\x7f', '\xff', '"', '.', '\v'};
    uint32_t seed = 7;
    const auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    std::string scratch;
    for (int round = 0; round < 20000; ++round) {
        // A number first, so that every line with items is a record; then lengths around the
        // sixteen-byte blocks and the 64-byte mask.
        std::string line = std::to_string(next(1000));
        const size_t length = size_t(next(80));
        const uint32_t kinds =
            round % 4 == 0 ? sizeof alphabet : sizeof alphabet - 1; // '"' in some
        line += ' ';
        while (line.size() < length)
            line += alphabet[next(kinds)];
        const std::vector<std::string> items = Split(line.c_str());
        TRecordView record;
        const TTextLineResult result =
            ParseTextTableLine(line.data(), line.data() + line.size(), record, scratch);
        if (items.size() > 5) {
            ASSERT_EQ(result, TTextLineResult::TooManyItems) << line;
            continue;
        }
        ASSERT_EQ(result, TTextLineResult::Record) << line;
        EXPECT_EQ(record.No, std::stoi(items[0])) << line;
        for (size_t i = 0; i < 4; ++i) {
            if (i + 1 < items.size()) {
                ASSERT_TRUE(record.Text[i].has_value()) << line;
                EXPECT_EQ(*record.Text[i],
                          QByteArrayView(items[i + 1])
                              .first(std::min<qsizetype>(20, qsizetype(items[i + 1].size()))))
                    << line;
            } else {
                EXPECT_FALSE(record.Text[i].has_value()) << line;
            }
        }
    }
}

TEST(TextTableReading, DropsTheFirstLineAndAppendsTheRest) {
    const auto r = ReadText("1\tfirst\tline\tis\tdropped\r\n2\t10:21\t45.6%RH\t23.4\t#\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.records, (std::vector{Rec(2, "10:21", "45.6%RH", "23.4", "#")}));
}

TEST(TextTableReading, ReadsEveryLineEndingAndALastLineWithoutOne) {
    const auto r = ReadText("h\r1\n2\r\n3\n\r4");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.records.size(), 4u); // "\n\r" is LF then CR: the blank line between is skipped
    EXPECT_EQ(*r.records[3].No, 4);
}

TEST(TextTableReading, SkipsBlankLines) {
    const auto r = ReadText("h\r\n\r\n  \t \r\n1\ta\r\n\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.records, (std::vector{Rec(1, "a", nullptr, nullptr, nullptr)}));
}

TEST(TextTableReading, FewerItemsLeaveFieldsWithoutValueAndNullIsKept) {
    const auto r = ReadText("h\r\n5\r\n6\tNULL\tNULL\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.records, (std::vector{Rec(5, nullptr, nullptr, nullptr, nullptr),
                                      Rec(6, "NULL", "NULL", nullptr, nullptr)}));
}

TEST(TextTableReading, QuotedItemsOfEveryLineReachTheRecord) {
    const QByteArray text = "h\r\n"
                            "1 \"aaaaaaaaaaaaaaaaaaaaaaaaa\" \"b\"\"c\" \"\" \"d d\"\r\n"
                            "2 \"eeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee\" f\r\n";
    const std::vector<TRecord> expected{Rec(1, "aaaaaaaaaaaaaaaaaaaa", "b\"c", "", "d d"),
                                        Rec(2, "eeeeeeeeeeeeeeeeeeee", "f", nullptr, nullptr)};
    for (size_t chunk : {size_t(0), size_t(1), size_t(7)}) {
        const auto r = ReadText(text, chunk);
        ASSERT_TRUE(r.ok) << chunk;
        EXPECT_EQ(r.records, expected) << chunk;
    }
}

TEST(TextTableReading, CutsTextsToTwentyCharacters) {
    const auto r = ReadText("h\r\n1\t123456789012345678901234\r\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(*r.records[0].Text[0], QByteArray("12345678901234567890"));
}

TEST(TextTableReading, TakesTheProgramsIntegerForms) {
    const auto r = ReadText("h\r\n+7\r\n-2147483648\r\n$FF\r\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.records.size(), 3u);
    EXPECT_EQ(*r.records[0].No, 7);
    EXPECT_EQ(*r.records[1].No, INT32_MIN);
    EXPECT_EQ(*r.records[2].No, 255);
}

struct FailureCase {
    const char* name;
    QByteArray text;
    TTextTableReader::TError error;
    int64_t line;
    size_t recordsBefore;
};

class TextTableFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TextTableFailures, FailKeepingEarlierRecordsAndNothingOfTheFailingLine) {
    const FailureCase& c = GetParam();
    const auto r = ReadText(c.text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.errorLine, c.line);
    EXPECT_EQ(r.records.size(), c.recordsBefore);
}

using E = TTextTableReader::TError;
INSTANTIATE_TEST_SUITE_P(
    Texts, TextTableFailures,
    ::testing::Values(
        FailureCase{"Empty", "", E::Empty, 0, 0},
        FailureCase{"ZeroByteFirst", QByteArray("\0abc\r\n1\r\n", 9), E::Empty, 0, 0},
        FailureCase{"InnerSpaceGivesSixItems", "h\r\n1\ta\r\n2\t10:20\t45 %RH\t23.4\t#\r\n3\r\n",
                    E::TooManyItems, 3, 1},
        FailureCase{"NotAnInteger", "h\r\n1\r\nx1\tt\r\n", E::BadNumber, 3, 1},
        FailureCase{"Decimal", "h\r\n1.5\tt\r\n", E::BadNumber, 2, 0},
        FailureCase{"OutOfRange", "h\r\n2147483648\r\n", E::BadNumber, 2, 0},
        FailureCase{"HugeLine", "h\r\n1\r\n" + QByteArray(TTextTableReader::kMaxLineBytes + 1, 'x'),
                    E::LineTooLong, 3, 1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TextTableReading, StopsAtAZeroByte) {
    const auto r = ReadText(QByteArray("h\r\n1\r\n2\0\r\n3\r\n", 13));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(*r.records[1].No, 2);
}

TEST(TextTableReading, AFirstLineOfAnyLengthIsSkippedUnread) {
    const auto r = ReadText(QByteArray(3 * TTextTableReader::kMaxLineBytes, 'h') + "\n1\n", 4096);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.records.size(), 1u);
}

TEST(TextTableReading, ChunkBoundariesChangeNothing) {
    const QByteArray text =
        "No\tTime\r\n1\t\"a \"\"b\"\"\"\r\r\n2\tx\r5\ty\n\r\n3\t" + QByteArray(40, 'z') + "\r4";
    const auto whole = ReadText(text);
    ASSERT_TRUE(whole.ok);
    for (size_t chunk = 1; chunk <= 9; ++chunk) {
        const auto pieces = ReadText(text, chunk);
        EXPECT_TRUE(pieces.ok) << chunk;
        EXPECT_EQ(pieces.records, whole.records) << chunk;
    }
}

TEST(TextTableReading, ARefusedRecordStopsTheReading) {
    int taken = 0;
    TTextTableReader reader([&](const TRecordView&) { return ++taken < 2; });
    const QByteArray text = "h\n1\n2\n3\n";
    EXPECT_FALSE(reader.Feed(text.constData(), size_t(text.size())));
    EXPECT_FALSE(reader.Finish());
    EXPECT_EQ(reader.Error(), TTextTableReader::TError::Refused);
    EXPECT_EQ(reader.RecordsRead(), 1);
}

} // namespace
