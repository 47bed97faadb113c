#pragma once
// Decoding of one logger frame (held in RxHex as two upper-case hex digits per byte) into the
// readout and the program-state texts. Pure logic: no widgets.
//
// Frame layout, bytes numbered from 1, only the low hex digit of a digit byte counts:
//   2-4  humidity tens, units, tenths ("A" blank; "B" in the units = no reading)
//   5-7  temperature tens, units, tenths (same rules)
//   8    temperature sign: 1 = negative
//   14   unit and dew point: v <= 1 "#", v >= 2 "?"; v = 1 or 3 dew point
//   16   first time field (whole byte), 17 second time field (whole byte)
//   18-19 end marker, low digits D and A

#include "base/ProgramState.h"
#include "link/Readout.h"

struct TDecodeSettings {
    QByteArray DecimalSep;        // the locale's decimal separator, possibly empty
    bool PlotTemperature = false; // RHORTEMP ticked
};

// Runs the decode steps 1 to 13 in order on the readout and the state. A failing conversion
// raises EConvertError; whatever was set before the failing step keeps its new value and nothing
// after it runs. The caller makes the offer step (INDataToTable) only when this returns.
void DecodeFrame(const TDecodeSettings& settings, TReadout& readout, TProgramState& state);
