#include "sim/SimCableOnBus.h"

TSimHidInterface SimCableInterface(std::shared_ptr<TSimSerialCable> cable,
                                   const TSimCableOptions& options) {
    TSimHidInterface description;
    description.product = options.product;
    description.serial = options.serial;
    description.vendorId = TSimSerialCable::kVendorId;
    description.productId = TSimSerialCable::kProductId;
    description.inputReportLength = TSimSerialCable::kInputReportLength;
    description.outputReportLength = TSimSerialCable::kOutputReportLength;
    description.featureReportLength = TSimSerialCable::kFeatureReportLength;
    description.model = std::move(cable);
    return description;
}
