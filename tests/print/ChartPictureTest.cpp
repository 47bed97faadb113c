// BtSave: the chart drawn into a Windows bitmap of the chart's own size.

#include "PrintWindowFixture.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

namespace {

class ChartPictureTest : public PrintWindowTest {
protected:
    void SetUp() override {
        PrintWindowTest::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    // A thick red diagonal across the whole plot area.
    void PlotRedLine() {
        QChart* chart = window->Chtshow->chart();
        auto* series = new QLineSeries;
        series->setPen(QPen(QColor(255, 0, 0), 4));
        for (int x = 0; x <= 10; ++x)
            series->append(x, x);
        chart->addSeries(series);
        auto* xAxis = new QValueAxis;
        auto* yAxis = new QValueAxis;
        xAxis->setRange(0, 10);
        yAxis->setRange(0, 10);
        chart->addAxis(xAxis, Qt::AlignBottom);
        chart->addAxis(yAxis, Qt::AlignLeft);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    }
    static int CountNear(const QImage& image, QColor colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) < 40 &&
                     std::abs(c.green() - colour.green()) < 40 &&
                     std::abs(c.blue() - colour.blue()) < 40;
            }
        return n;
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
};

TEST_F(ChartPictureTest, SavesABitmapOfTheChartsSizeShowingTheLine) {
    PlotRedLine();
    const QString path = Path("chart.bmp");
    dialogs.saveAnswers.push_back(path);
    window->BtSave->click();

    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
    EXPECT_EQ(dialogs.saveRequests[0].defaultExtension, QStringLiteral("*.bmp"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("graphic has saved on %1").arg(path));
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM")); // a Windows bitmap
    file.close();
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("bmp"));
    const QImage picture = reader.read();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), window->Chtshow->size()); // the chart on screen, not a page
    // The diagonal is about 300 pixels long and 4 wide.
    EXPECT_GT(CountNear(picture, QColor(255, 0, 0)), 600);
}

TEST_F(ChartPictureTest, PictureIsTheChartAsDrawnWithoutTheToolRow) {
    PlotRedLine();
    const QImage picture = window->ChartPicture();
    QImage screen =
        window->Chtshow->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(picture.size(), window->Chtshow->size());
    // Pixel for pixel what the chart's view shows (the viewport fills the view: no frame).
    ASSERT_EQ(screen.size(), picture.size());
    int differing = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            differing += picture.pixel(x, y) != screen.pixel(x, y);
    EXPECT_LT(differing, picture.width() * picture.height() / 100);
    EXPECT_GT(CountNear(picture, QColor(255, 0, 0)), 600);
    // The tool row's controls lie on top of the chart but are no part of its drawing (the
    // viewport's grab leaves out the view's other children too).
    const QPoint box = window->RHORTEMP->geometry().center();
    EXPECT_EQ(picture.pixel(box), screen.pixel(box));
}

TEST_F(ChartPictureTest, ReadingsPlottedThroughTheWindowShowAsTheBlueLine) {
    // Readings offered the way the decoder offers them, swinging across the axis range.
    for (int i = 0; i < 30; ++i) {
        window->State.HumidityText = QByteArray::number(40 + i) + ".0";
        window->State.TemperatureText = "21.5";
        window->State.UnitText = "#";
        window->State.ChartValue = float(i % 2 ? 150 : -150);
        window->INDataToTable();
    }
    const QString path = Path("line.bmp");
    dialogs.saveAnswers.push_back(path);
    window->BtSave->click();
    const QImage picture(path);
    ASSERT_EQ(picture.size(), window->Chtshow->size());
    // Series1 is a blue fast line; 29 strokes over most of the plot height.
    EXPECT_GT(CountNear(picture, QColor(0, 0, 255)), 1000);
}

TEST_F(ChartPictureTest, CancelledDialogWritesNothing) {
    window->BtSave->click(); // empty answer queue: cancel
    EXPECT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(ChartPictureTest, UnwritableFileSaysWhyAndNotSuccess) {
    const QString path = Path("no-such-folder/chart.bmp");
    dialogs.saveAnswers.push_back(path);
    window->BtSave->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString text = dialogs.messages[0].text;
    const QString start = QStringLiteral("Cannot create file \"%1\". ").arg(path);
    EXPECT_TRUE(text.startsWith(start)) << text.toStdString();
    EXPECT_GT(text.size(), start.size()) << "the system's reason is missing";
    EXPECT_FALSE(text.contains(QStringLiteral("graphic has saved")));
}

TEST_F(ChartPictureTest, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    const QString path = Path("chart.bmp");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old content");
    }
    dialogs.saveAnswers.push_back(path);
    window->BtSave->click();
    EXPECT_EQ(QImage(path).size(), window->Chtshow->size());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("chart.bmp")});
}

TEST_F(ChartPictureTest, AFolderInTheWayKeepsItsContent) {
    // The chosen name is an existing folder: the save fails and the folder is untouched.
    const QString path = Path("taken.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.bmp")));
    QFile inside(path + "/keep.txt");
    ASSERT_TRUE(inside.open(QIODevice::WriteOnly));
    inside.write("keep");
    inside.close();
    dialogs.saveAnswers.push_back(path);
    window->BtSave->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith(QStringLiteral("Cannot create file")));
    EXPECT_TRUE(QFile::exists(path + "/keep.txt"));
}

} // namespace
