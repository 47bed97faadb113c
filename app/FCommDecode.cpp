// Frame decoding onto the LCD readout.

#include "app/TFCOMM.h"

#include "link/FrameDecoder.h"

#include <QCheckBox>

void TFCOMM::LcdDisplay55(int /*unused*/) {
    TDecodeSettings settings;
    settings.DecimalSep = DecimalSep;
    settings.PlotTemperature = RHORTEMP->isChecked();
    // The readout labels show whatever the decode set, also when it stops at a failing conversion.
    try {
        DecodeFrame(settings, Readout, State);
    } catch (...) {
        ShowReadout();
        throw;
    }
    ShowReadout();
    AlarmReading();
    INDataToTable();
}
