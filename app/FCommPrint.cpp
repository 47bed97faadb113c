// The printed record list and the chart picture.

#include "app/TFCOMM.h"

void TFCOMM::BtPrintClick() {}
void TFCOMM::BtSaveClick() {}
