#include "sim/SimReplayFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SimReplayFile, OneFramePerLineWithOrWithoutBlanks) {
    const TSimReplay replay = ParseReplayText("# recorded\n02 34 35 0d 0A\n\n  023435  \r\nff\n");
    ASSERT_TRUE(replay.error.isEmpty()) << qPrintable(replay.error);
    ASSERT_EQ(replay.frames.size(), 3u);
    EXPECT_EQ(replay.frames[0], QByteArray::fromHex("0234350D0A"));
    EXPECT_EQ(replay.frames[1], QByteArray::fromHex("023435"));
    EXPECT_EQ(replay.frames[2], QByteArray(1, char(0xFF)));
}

struct BadLine {
    const char* text;
    const char* error;
};

class SimReplayBadLineTest : public ::testing::TestWithParam<BadLine> {};

TEST_P(SimReplayBadLineTest, NamesTheLineAndKeepsNoFrames) {
    const TSimReplay replay = ParseReplayText(GetParam().text);
    EXPECT_EQ(replay.error, QString::fromLatin1(GetParam().error));
    EXPECT_TRUE(replay.frames.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SimReplayBadLineTest,
    ::testing::Values(BadLine{"0234\n02 3", "line 2: odd number of hexadecimal digits"},
                      BadLine{"# c\n\n02 3G", "line 3: 'G' is not a hexadecimal digit"}));

TEST(SimReplayFile, MissingFileIsReported) {
    QTemporaryDir dir;
    const TSimReplay replay = LoadReplayFile(dir.filePath("none.hex"));
    EXPECT_TRUE(replay.error.startsWith("cannot open "));
}

TEST(SimReplayFile, ReadsAFile) {
    const TSimReplay replay = LoadReplayFile(RX47_FIXTURES_DIR "/sim/recorded-frames.hex");
    ASSERT_TRUE(replay.error.isEmpty()) << qPrintable(replay.error);
    ASSERT_GE(replay.frames.size(), 3u);
    for (size_t i = 0; i < replay.frames.size(); ++i)
        EXPECT_EQ(replay.frames[i].size(), 19);
}

} // namespace
