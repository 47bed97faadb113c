// Whether the window is connected, at a glance: the Connect speed buttons drawn down while their
// link is up, the readout's last reading greyed while no link is up.

#include "serial/PseudoTerminal.h"
#include "support_gui/WindowFixture.h"

#include "display/TGlyphLabel.h"
#include "serial/CommDriver.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace {

class LinkStateTest : public WindowTest {
protected:
    // The ink of every part of the readout: glyph labels, text labels and decimal points.
    std::vector<QColor> ReadoutInks() const {
        const TFCOMM& w = *window;
        std::vector<QColor> inks;
        for (TGlyphLabel* label : {w.LcdD3, w.LcdD2, w.LcdD1, w.LcdTimeT, w.LcdFH, w.LcdDT3,
                                   w.LcdDT2, w.LcdDT1, w.LCDC, w.LcdTX})
            inks.push_back(label->Style().ink);
        for (QLabel* label : {w.LCDDEW, w.LCDTime})
            inks.push_back(label->palette().color(QPalette::WindowText));
        for (QFrame* point : {w.LcdP1, w.LcdP2})
            inks.push_back(point->palette().color(QPalette::Window));
        return inks;
    }
    // Every part drawn in one ink, light (greyed) or dark (live).
    bool ReadoutGreyed() const {
        const std::vector<QColor> inks = ReadoutInks();
        for (const QColor& ink : inks) {
            if (ink != inks.front())
                return false;
        }
        return inks.front().lightness() > 128;
    }
};

double Lightness(const QImage& image, const QRect& area) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += QColor(image.pixel(x, y)).lightness();
    return sum / (area.width() * area.height());
}

// A button drawn down has a dark top-left edge and a light bottom-right one; a button drawn up
// the other way round.
bool DrawnDown(QToolButton* button) {
    const QImage image = button->grab().toImage();
    const int w = image.width(), h = image.height();
    const double topLeft =
        (Lightness(image, QRect(2, 0, w - 4, 1)) + Lightness(image, QRect(0, 2, 1, h - 4))) / 2;
    const double bottomRight = (Lightness(image, QRect(2, h - 1, w - 4, 1)) +
                                Lightness(image, QRect(w - 1, 2, 1, h - 4))) /
                               2;
    return topLeft + 40 < bottomRight;
}

TEST_F(LinkStateTest, ConnectButtonsAreDrawnDownWhilePressed) {
    window->show();
    for (QToolButton* button : {window->USBCon, window->COMCon}) {
        button->show();
        button->setChecked(false);
        EXPECT_FALSE(DrawnDown(button)) << button->objectName().toStdString();
        // The face above the caption.
        const QRect face(3, 2, button->width() - 6, 2);
        const double faceUp = Lightness(button->grab().toImage(), face);
        button->setChecked(true);
        EXPECT_TRUE(DrawnDown(button)) << button->objectName().toStdString();
        const double faceDown = Lightness(button->grab().toImage(), face);
        EXPECT_GT(faceUp - faceDown, 20) << button->objectName().toStdString();
        EXPECT_EQ(button->text(), button == window->USBCon ? "Connect" : "RM31 COM");
    }
}

TEST_F(LinkStateTest, ReadoutIsGreyedWhileNoLinkIsUp) {
    EXPECT_TRUE(ReadoutGreyed()); // not connected at start
    window->USBCon->setChecked(true);
    EXPECT_FALSE(ReadoutGreyed());
    window->USBCon->setChecked(false); // pressed again, the watchdog, an unplug: all set it up
    EXPECT_TRUE(ReadoutGreyed());

    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Ok());
    window->Comm2->SetPortPathResolver([&](TComPortNumber) { return pty.slavePath; });
    window->BTCon->click();
    EXPECT_FALSE(ReadoutGreyed());
    window->USBCon->setChecked(true);
    window->USBCon->setChecked(false); // the serial link is still up
    EXPECT_FALSE(ReadoutGreyed());
    window->BtDiscon->click();
    EXPECT_TRUE(ReadoutGreyed());
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
