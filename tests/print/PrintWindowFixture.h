#pragma once
// The window with a record table and a print preview that does not wait (tests drive it).

#include "records/RecordTable.h"
#include "support_gui/WindowFixture.h"

class TTableListener : public IRecordTableListener {
public:
    void RecordsAppended(int64_t first, int64_t last) override { appended += last - first + 1; }
    void RecordsReset() override { ++resets; }
    int64_t appended = 0;
    int resets = 0;
};

class PrintWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->PrintPreviewWaits = false;
        window->cds1->AddListener(&listener);
    }
    void TearDown() override {
        window->cds1->RemoveListener(&listener);
        WindowTest::TearDown();
    }
    void AddRecords(int count) {
        for (int i = 0; i < count; ++i) {
            TRecord r;
            r.No = int32_t(window->cds1->Count() + 1);
            r.TextOf(TField::Time) = "12:" + QByteArray::number(i % 60).rightJustified(2, '0');
            r.TextOf(TField::Value) = "45.0";
            r.TextOf(TField::Range) = "21.5";
            r.TextOf(TField::Unit) = "#";
            window->cds1->Append(r);
        }
    }

    TTableListener listener;
};
