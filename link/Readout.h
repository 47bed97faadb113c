#pragma once
// What the simulated LCD readout shows: the captions and visibility of its labels. The decoder
// writes this; the window draws it. The start values are the captions in the window's layout.

#include <QByteArray>

struct TReadout {
    QByteArray LcdD3 = "8", LcdD2 = "8", LcdD1 = "8";    // humidity digits
    QByteArray LcdFH = "-";                              // temperature sign
    QByteArray LcdDT3 = "8", LcdDT2 = "8", LcdDT1 = "8"; // temperature digits
    QByteArray LCDC = "#";                               // unit mark ("#" = degC, "?" = degF)
    QByteArray LCDDEW = "DEW POINT";                     // dew-point caption
    QByteArray LCDTime = "00:00:00";                     // time text
    QByteArray USBtxt = "6001";                          // hidden frame-text label
    QByteArray USBtxt1 = "6001";                         // hidden raw-frame label
    bool LcdP1Visible = true, LcdP2Visible = true;       // decimal points
    bool CONokVisible = false;                           // link image: frames arriving
    bool CONokNVisible = true;                           // link image: no frames
};
