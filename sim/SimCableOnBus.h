#pragma once
// The simulated cable as an interface of the simulated HID bus: its product string, numbers and
// report lengths, with the cable model behind it.

#include "sim/SimHidBus.h"
#include "sim/SimSerialCable.h"

#include <memory>
#include <optional>
#include <string>

struct TSimCableOptions {
    std::u16string product = u"USB to Serial";
    std::optional<std::u16string> serial; // nullopt: the cable reports no serial number
};

TSimHidInterface SimCableInterface(std::shared_ptr<TSimSerialCable> cable,
                                   const TSimCableOptions& options = {});
