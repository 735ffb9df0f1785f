#pragma once
// The program's class Scheduler. The rest of the program uses two of its
// services: one item of the user's regional settings as text, and the
// sortable key of a session log's date text.

#include <QString>

#include "program/foundation/ProgramState.h"

namespace OrvaneMac {

class Scheduler {
 public:
  // The text of locale item `LCType` (a Windows LCTYPE value, e.g. 31, the
  // short-date pattern) of the user's default locale; "" when the system
  // gives nothing.
  [[nodiscard]] QString GetLocaleString(Long LCType);

  // The key of a text "mm-dd-yyyy hh:nn:ss" that sorts in time order:
  // year, month, day, hour and minutes, two digits each but the year
  // ("06-15-2009 4:05:22" gives "200906150405"). The text is split at the
  // user's time separator; seconds do not count. "" after a failure.
  [[nodiscard]] QString Sch_SortBuildDate(const QString& strDate);

  // The class's fields.
  [[nodiscard]] Integer getRecordIndex() const { return recordIndex_; }
  void setRecordIndex(Integer index) { recordIndex_ = index; }
  [[nodiscard]] double TotalBackupSetSize() const { return totalBackupSetSize_; }

 private:
  Integer recordIndex_ = 0;
  double totalBackupSetSize_ = 0;
};

// The program's Scheduler, created on first use and kept for the run.
Scheduler& gScheduler();

}  // namespace OrvaneMac
