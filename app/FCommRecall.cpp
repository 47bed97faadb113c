// The recall start-time panel.

#include "app/TFCOMM.h"

void TFCOMM::RecallCheckClick() {}
void TFCOMM::RecallCheckExit() {}
void TFCOMM::TimeHKeyUp(QObject*) {}
