#pragma once
// The report lengths of a HID interface, from its report descriptor (the bytes hidraw hands out
// with HIDIOCGRDESC, or sysfs as report_descriptor). Pure function over a byte span.
//
// Lengths follow the transport's convention: the longest report of each kind in bytes, plus one
// byte for the report ID (0 on interfaces without numbered reports); 0 when the interface has no
// report of that kind. Usage and usage page are those of the first top-level collection.

#include "hid/HidPlatform.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

struct TReportDescriptorResult {
    std::optional<THidPreparsedData> data; // nullopt: the descriptor is malformed
    QString error;                         // why, when malformed
};

TReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor);
