// The text pool under the record table: one id per distinct text, ids that name their text
// across many blocks, hints that start empty and go with the pool.

#include "records/TextPool.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

TEST(TextPool, GivesOneIdPerDistinctTextAcrossManyBlocks) {
    TTextPool pool;
    // Long texts fill a block after a few hundred; these take dozens of blocks.
    std::vector<QByteArray> texts;
    for (int i = 0; i < 40000; ++i)
        texts.push_back(QByteArray::number(i) + ':' + QByteArray(i % 240, 'x'));
    std::vector<uint32_t> ids;
    for (const QByteArray& text : texts)
        ids.push_back(pool.Intern(text));
    EXPECT_EQ(pool.Size(), texts.size());
    EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(pool.Intern(texts[i]), ids[i]) << i;
        ASSERT_EQ(pool.View(ids[i]), texts[i]) << i;
        ASSERT_TRUE(pool.Holds(ids[i], texts[i])) << i;
        ASSERT_NE(ids[i], TTextPool::kNone);
    }
    EXPECT_GT(ids.back() >> 16, 50u); // the last texts are far beyond the first block
    EXPECT_EQ(pool.Size(), texts.size());
}

TEST(TextPool, TellsTextsApartByEveryByteAndTheLength) {
    TTextPool pool;
    const std::vector<QByteArray> texts{"",
                                        QByteArray("\0", 1),
                                        QByteArray("\0\0", 2),
                                        "a",
                                        "ab",
                                        "abc",
                                        "abcd",
                                        "abce",
                                        "bbcd",
                                        "abcdefgh",
                                        "abcdefgi",
                                        "bbcdefgh",
                                        "abcdefghijklmnop",
                                        "abcdefghijklmnoq",
                                        "abcdefghijklmnopq",
                                        "\xff\xfe",
                                        QByteArray(255, 'x'),
                                        QByteArray(254, 'x')};
    std::vector<uint32_t> ids;
    for (const QByteArray& text : texts)
        ids.push_back(pool.Intern(text));
    EXPECT_EQ(pool.Size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(pool.View(ids[i]), texts[i]) << i;
        for (size_t j = 0; j < texts.size(); ++j)
            EXPECT_EQ(pool.Holds(ids[i], texts[j]), i == j) << i << " " << j;
    }
    EXPECT_THROW(pool.Intern(QByteArray(256, 'x')), std::length_error);
}

TEST(TextPool, HintsStartEmptyAndGoWithClear) {
    TTextPool pool;
    const uint32_t a = pool.Intern("a");
    const uint32_t b = pool.Intern("b");
    EXPECT_EQ(pool.Hint(a), TTextPool::kNone);
    pool.SetHint(a, b);
    pool.SetHint(b, a);
    EXPECT_EQ(pool.Hint(a), b);
    EXPECT_EQ(pool.Hint(b), a);
    EXPECT_EQ(pool.View(a), QByteArrayView("a")); // the hint leaves the text alone
    pool.Clear();
    EXPECT_EQ(pool.Size(), 0u);
    const uint32_t c = pool.Intern("c"); // takes a place the cleared texts had
    EXPECT_EQ(pool.Hint(c), TTextPool::kNone);
    EXPECT_EQ(pool.View(c), QByteArrayView("c"));
    EXPECT_EQ(pool.Intern("a"), pool.Intern("a"));
    EXPECT_EQ(pool.Size(), 2u);
}

} // namespace
