// The record table and its logging policy: limit, sampling interval, repeat filter, New.

#include "app/TFCOMM.h"
#include "records/RecordTable.h"

void TFCOMM::CreateRecordComponents() {
    cds1 = std::make_unique<TRecordTable>();
}
void TFCOMM::RecordsStartup() {}
void TFCOMM::INDataToTable() {}
void TFCOMM::RecordNewClick() {}
void TFCOMM::N10001Click() {}
void TFCOMM::N50001Click() {}
void TFCOMM::N100001Click() {}
void TFCOMM::N500001Click() {}
void TFCOMM::N1000001Click() {}
void TFCOMM::limitessClick() {}
void TFCOMM::TrecordTimer() {}
void TFCOMM::RecordSITimeChange() {}
void TFCOMM::RecordSITimeKeyPress(QObject*, char&) {}
void TFCOMM::SetmaxKeyPress(QObject*, char&) {}
void TFCOMM::ClearRecords() {}
void TFCOMM::RHORTEMPClick() {}
