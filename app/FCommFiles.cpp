// Saving and opening data files.

#include "app/TFCOMM.h"

void TFCOMM::saveasClick() {}
void TFCOMM::SpeedButton2Click() {}
