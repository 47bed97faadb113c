// Serial link: the COM port commands and the framing of received bytes.

#include "app/TFCOMM.h"

void TFCOMM::CreateSerialComponents() {}
void TFCOMM::SerialStartup() {}
void TFCOMM::H55RData(TCommPortDriver*, const uint8_t*, int32_t) {}
void TFCOMM::BTCon1Click() {}
void TFCOMM::BtDiscon1Click() {}
void TFCOMM::COMConClick() {}
void TFCOMM::Button3Click() {}
void TFCOMM::Button2Click() {}
