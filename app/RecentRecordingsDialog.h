#pragma once
// The "Recent Recordings..." dialog: the kept recording journals in a list (start and end, number
// of records, %RH or Temp, how the recording ended); Open takes the selected one.

#include "app/UserDialogs.h"

#include <QString>
#include <optional>
#include <vector>

class QWidget;

std::optional<QString> ChooseRecordingDialog(QWidget* parent,
                                             const std::vector<TRecordingListItem>& recordings);
