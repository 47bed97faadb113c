// The trend chart's page buttons and page width.

#include "app/TFCOMM.h"

void TFCOMM::CreateChartComponents() {}
void TFCOMM::ChartStartup() {}
void TFCOMM::ChartRangeStartup() {}
void TFCOMM::BtFirstClick() {}
void TFCOMM::BTPreviousClick() {}
void TFCOMM::BtNextClick() {}
void TFCOMM::BTlastClick() {}
void TFCOMM::MaxrecordExit() {}
void TFCOMM::Timer1Timer() {}
void TFCOMM::ChtshowResize() {}
