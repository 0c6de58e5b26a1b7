#pragma once
// The system journal read as an event log ("Journal"): each entry is a
// record numbered from 1 in the journal's order, with the source from
// SYSLOG_IDENTIFIER, the computer from _HOSTNAME, the type from PRIORITY
// (0-3 error, 4 warning, else information), the time from the realtime
// stamp and MESSAGE as the one insertion string. The record's raw data holds
// its message text: the catalog text of its MESSAGE_ID, else MESSAGE.

#include <memory>
#include <string>

#include "platform/os/EventLog.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr const char* kJournalLogName = "Journal";

bool IsJournalLog(const std::string& Log);

// Folder "": the local journal. ERROR_ACCESS_DENIED when it can't be opened.
long OpenJournalLog(const std::string& Folder, TEventLogHandle& Handle);

}  // namespace rv
