#include "link/FrameDecoder.h"

#include "base/Conversion.h"

namespace {

// Character n (1-based) of a text, or the empty text past its end.
QByteArray CharAt(const QByteArray& text, qsizetype n) {
    return n >= 1 && n <= text.size() ? text.mid(n - 1, 1) : QByteArray();
}

QByteArray TwoDigits(int value) {
    // "%.2d": at least two digits, more when needed (255 stays 255).
    QByteArray text = QByteArray::number(value);
    return text.size() < 2 ? "0" + text : text;
}

} // namespace

void DecodeFrame(const TDecodeSettings& settings, TReadout& readout, TProgramState& state) {
    const QByteArray& rx = state.RxHex;

    // 1. Link indicator.
    readout.CONokVisible = true;
    readout.CONokNVisible = false;
    state.LinkTicks = 0;

    // 2.
    readout.USBtxt = state.FrameText;

    // 3-5. Digits; "A" is a blank position, "B" in the middle one means no reading.
    QByteArray h3 = CharAt(rx, 4), h2 = CharAt(rx, 6), h1 = CharAt(rx, 8);
    QByteArray t3 = CharAt(rx, 10), t2 = CharAt(rx, 12), t1 = CharAt(rx, 14);
    for (QByteArray* digit : {&h3, &h2, &h1, &t3, &t2, &t1}) {
        if (*digit == "A")
            digit->clear();
    }
    if (h2 == "B")
        h3 = h2 = h1 = "-";
    if (t2 == "B")
        t3 = t2 = t1 = "-";

    // 6.
    readout.LcdD3 = h3;
    readout.LcdD2 = h2;
    readout.LcdD1 = h1;
    readout.LcdDT3 = t3;
    readout.LcdDT2 = t2;
    readout.LcdDT1 = t1;
    readout.LcdP1Visible = true;
    readout.LcdP2Visible = true;

    // 7. Unit mark.
    state.UnitText.clear();
    const int32_t v = StrToInt(CharAt(rx, 28));
    readout.LCDC = v <= 1 ? "#" : "?";
    state.UnitText = readout.LCDC;

    // 8. Dew point.
    if (v == 1 || v == 3) {
        readout.LCDDEW = "DEW POINT";
        state.UnitText = "DEW" + state.UnitText;
    } else {
        readout.LCDDEW = " ";
    }

    // 9. Time: two whole bytes read as hexadecimal numbers.
    const int32_t a = StrToInt("$" + rx.mid(30, 2));
    const int32_t b = StrToInt("$" + rx.mid(32, 2));
    readout.LCDTime = h2 == "-" ? QByteArray("00:00") : TwoDigits(a) + ":" + TwoDigits(b);

    // 10. Sign.
    readout.LcdFH = StrToInt(CharAt(rx, 16)) == 1 ? QByteArray("-") : QByteArray();

    // 11-12. Texts.
    if (h2 == "-" && h1 == "-")
        state.HumidityText = "----";
    else
        state.HumidityText = h3 + h2 + settings.DecimalSep + h1 + "%RH";
    state.TemperatureText = readout.LcdFH + t3 + t2 + settings.DecimalSep + t1;

    // 13. Chart value of the plotted quantity.
    const bool temperature = settings.PlotTemperature;
    const QByteArray& c3 = temperature ? t3 : h3;
    const QByteArray& c2 = temperature ? t2 : h2;
    const QByteArray& c1 = temperature ? t1 : h1;
    const QByteArray sign = temperature ? readout.LcdFH : QByteArray();
    if (c2 != "-" && c1 != "-")
        state.ChartValue = static_cast<float>(StrToInt(sign + c3 + c2 + c1) * 0.1);
}
