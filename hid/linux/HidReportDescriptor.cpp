#include "hid/linux/HidReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {
// Item tags (HID 1.11, section 6.2.2): main, global and local items used for report lengths.
enum : uint8_t {
    kMainInput = 0x8,
    kMainOutput = 0x9,
    kMainCollection = 0xA,
    kMainFeature = 0xB,
    kMainEndCollection = 0xC,
    kGlobalUsagePage = 0x0,
    kGlobalReportSize = 0x7,
    kGlobalReportId = 0x8,
    kGlobalReportCount = 0x9,
    kGlobalPush = 0xA,
    kGlobalPop = 0xB,
    kLocalUsage = 0x0,
};
constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint64_t kMaxReportBits = 8ull * 0xFFFE; // the length plus the ID byte fits 16 bits

struct TGlobals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

struct TBits {
    uint64_t input = 0;
    uint64_t output = 0;
    uint64_t feature = 0;
};

uint16_t ByteLength(const std::map<uint32_t, TBits>& reports, uint64_t TBits::*kind) {
    uint64_t longest = 0;
    bool any = false;
    for (const auto& [id, bits] : reports) {
        if (bits.*kind > 0) {
            any = true;
            longest = std::max(longest, bits.*kind);
        }
    }
    return any ? static_cast<uint16_t>((longest + 7) / 8 + 1) : 0;
}

TReportDescriptorResult Malformed(QString why) {
    return {std::nullopt, std::move(why)};
}
} // namespace

TReportDescriptorResult ParseReportDescriptor(std::span<const uint8_t> descriptor) {
    THidPreparsedData result;
    TGlobals globals;
    std::vector<TGlobals> stack;
    std::map<uint32_t, TBits> reports;
    std::vector<uint32_t> usages;
    int depth = 0;
    bool topLevelSeen = false;

    std::size_t at = 0;
    while (at < descriptor.size()) {
        const uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            if (at + 2 >= descriptor.size())
                return Malformed(QStringLiteral("long item cut short at offset %1").arg(at));
            at += 3 + descriptor[at + 1];
            if (at > descriptor.size())
                return Malformed(QStringLiteral("long item runs past the end"));
            continue;
        }
        const std::size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (at + 1 + size > descriptor.size())
            return Malformed(QStringLiteral("item at offset %1 runs past the end").arg(at));
        uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= static_cast<uint32_t>(descriptor[at + 1 + i]) << (8 * i);
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        at += 1 + size;

        if (type == 1) { // global
            switch (tag) {
            case kGlobalUsagePage:
                globals.usagePage = value;
                break;
            case kGlobalReportSize:
                globals.reportSize = value;
                break;
            case kGlobalReportCount:
                globals.reportCount = value;
                break;
            case kGlobalReportId:
                if (value == 0 || value > 0xFF)
                    return Malformed(QStringLiteral("report ID %1 out of range").arg(value));
                globals.reportId = value;
                result.numberedReports = true;
                break;
            case kGlobalPush:
                stack.push_back(globals);
                break;
            case kGlobalPop:
                if (stack.empty())
                    return Malformed(QStringLiteral("pop without push at offset %1").arg(at));
                globals = stack.back();
                stack.pop_back();
                break;
            default:
                break;
            }
        } else if (type == 2) { // local
            if (tag == kLocalUsage)
                usages.push_back(size == 4 ? value : (globals.usagePage << 16) | value);
        } else if (type == 0) { // main
            uint64_t TBits::*kind = nullptr;
            switch (tag) {
            case kMainInput:
                kind = &TBits::input;
                break;
            case kMainOutput:
                kind = &TBits::output;
                break;
            case kMainFeature:
                kind = &TBits::feature;
                break;
            case kMainCollection:
                if (depth == 0 && !topLevelSeen) {
                    topLevelSeen = true;
                    const uint32_t usage =
                        usages.empty() ? globals.usagePage << 16 : usages.front();
                    result.caps.UsagePage = static_cast<uint16_t>(usage >> 16);
                    result.caps.Usage = static_cast<uint16_t>(usage & 0xFFFF);
                }
                ++depth;
                break;
            case kMainEndCollection:
                if (depth == 0)
                    return Malformed(QStringLiteral("end collection without collection"));
                --depth;
                break;
            default:
                break;
            }
            if (kind != nullptr) {
                TBits& bits = reports[globals.reportId];
                bits.*kind += static_cast<uint64_t>(globals.reportSize) * globals.reportCount;
                if (bits.*kind > kMaxReportBits)
                    return Malformed(QStringLiteral("report longer than 65534 bytes"));
            }
            usages.clear(); // local items apply to the next main item only
        }
    }
    if (depth != 0)
        return Malformed(QStringLiteral("collection not closed"));
    result.caps.InputReportByteLength = ByteLength(reports, &TBits::input);
    result.caps.OutputReportByteLength = ByteLength(reports, &TBits::output);
    result.caps.FeatureReportByteLength = ByteLength(reports, &TBits::feature);
    return {result, QString()};
}
