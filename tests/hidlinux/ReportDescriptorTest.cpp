// Report lengths from report descriptors, on descriptor bytes kept as fixtures.

#include "hid/linux/HidReportDescriptor.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A fixture: hexadecimal bytes separated by white space; '#' starts a comment line.
std::vector<uint8_t> LoadDescriptor(const char* name) {
    QFile file(QStringLiteral(RX47_FIXTURES_DIR "/hid/%1").arg(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << name;
    std::vector<uint8_t> bytes;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.trimmed().startsWith('#'))
            continue;
        const QByteArray hex = line.simplified().replace(' ', "");
        for (const char byte : QByteArray::fromHex(hex))
            bytes.push_back(static_cast<uint8_t>(byte));
    }
    return bytes;
}

struct DescriptorCase {
    const char* file;
    uint16_t input;
    uint16_t output;
    uint16_t feature;
    uint16_t usagePage;
    uint16_t usage;
    bool numbered;
};

class ReportDescriptorTest : public testing::TestWithParam<DescriptorCase> {};

TEST_P(ReportDescriptorTest, LengthsIncludeTheReportIdByte) {
    const DescriptorCase& c = GetParam();
    const TReportDescriptorResult result = ParseReportDescriptor(LoadDescriptor(c.file));
    ASSERT_TRUE(result.data) << result.error.toStdString();
    EXPECT_EQ(result.data->caps.InputReportByteLength, c.input);
    EXPECT_EQ(result.data->caps.OutputReportByteLength, c.output);
    EXPECT_EQ(result.data->caps.FeatureReportByteLength, c.feature);
    EXPECT_EQ(result.data->caps.UsagePage, c.usagePage);
    EXPECT_EQ(result.data->caps.Usage, c.usage);
    EXPECT_EQ(result.data->numberedReports, c.numbered);
}

INSTANTIATE_TEST_SUITE_P(
    Captured, ReportDescriptorTest,
    testing::Values(DescriptorCase{"bridge.rdesc.hex", 9, 9, 10, 0xFF00, 1, false},
                    DescriptorCase{"boot_keyboard.rdesc.hex", 9, 2, 0, 0x01, 0x06, false},
                    DescriptorCase{"mouse_consumer.rdesc.hex", 5, 0, 0, 0x01, 0x02, true},
                    DescriptorCase{"push_pop_long.rdesc.hex", 9, 3, 0, 0xFF00, 1, false}),
    [](const testing::TestParamInfo<DescriptorCase>& param) {
        return QString::fromLatin1(param.param.file).section('.', 0, 0).toStdString();
    });

TEST(ReportDescriptorFaults, MalformedDescriptorsSayWhy) {
    const auto truncated = ParseReportDescriptor(LoadDescriptor("truncated.rdesc.hex"));
    EXPECT_FALSE(truncated.data);
    EXPECT_TRUE(truncated.error.contains("runs past the end")) << truncated.error.toStdString();

    struct Case {
        std::vector<uint8_t> bytes;
        const char* why;
    };
    const std::vector<Case> cases = {
        {{0xB4}, "pop without push"},
        {{0xC0}, "end collection without collection"},
        {{0xA1, 0x01}, "collection not closed"},
        {{0x85, 0x00}, "report ID 0 out of range"},
        {{0xFE, 0x05}, "long item cut short"},
        {{0x77, 0xFF, 0xFF, 0x00, 0x00, 0x97, 0xFF, 0xFF, 0x00, 0x00, 0x81, 0x02},
         "report longer than"},
    };
    for (const Case& c : cases) {
        const auto result = ParseReportDescriptor(c.bytes);
        EXPECT_FALSE(result.data) << c.why;
        EXPECT_TRUE(result.error.contains(c.why)) << result.error.toStdString();
    }
}

TEST(ReportDescriptorFaults, EmptyDescriptorHasNoReports) {
    const auto result = ParseReportDescriptor({});
    ASSERT_TRUE(result.data);
    EXPECT_EQ(result.data->caps.InputReportByteLength, 0);
    EXPECT_EQ(result.data->caps.OutputReportByteLength, 0);
}

} // namespace
