// USB link: the cable's device list, connect and disconnect, command reports, the link watchdog,
// and the reassembly of input reports into frames.

#include "app/TFCOMM.h"

void TFCOMM::CreateHidComponents() {}
void TFCOMM::USBConClick() {}
void TFCOMM::SendUSBData(uint8_t) {}
void TFCOMM::SetFeatureClick() {}
void TFCOMM::ReadBtnClick() {}
bool TFCOMM::HidCtlEnumerate(THidDevice*, int32_t) {
    return true;
}
void TFCOMM::HidCtlDeviceChange() {}
void TFCOMM::HidCtlArrival(THidDevice*) {}
void TFCOMM::HidCtlRemoval(THidDevice*) {}
void TFCOMM::HidCtlDeviceDataError(THidDevice*, uint32_t) {}
void TFCOMM::ConTimerTimer() {}
void TFCOMM::SendDataClick() {}
void TFCOMM::DegugClick() {}
void TFCOMM::CONokNDblClick() {}
void TFCOMM::ClearBtnClick() {}
QString TFCOMM::DeviceCaption(THidDevice*) {
    return {};
}
void TFCOMM::USBRData(THidDevice*, uint8_t, const uint8_t*, uint16_t) {}
