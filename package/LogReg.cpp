#include "package/LogReg.h"

#include "applog/LogApp.h"
#include "applog/LogDS.h"
#include "checks/QVLChecks.h"
#include "exception/LogError.h"
#include "monitors/LogFile.h"
#include "monitors/LogNT.h"
#include "monitors/LogRegistry.h"
#include "monitors/LogShell.h"
#include "platform/classes/Registration.h"

namespace RV_API rv {

void Register() {
  RegisterComponents(kPalettePage,
                     {&TQVExceptionLog::StaticClass(), &TQVAppLog::StaticClass(), &TQVDatasetLog::StaticClass(),
                      &TQVFileLog::StaticClass(), &TQVNTEventLog::StaticClass(), &TQVShellLog::StaticClass(),
                      &TQVRegistryLog::StaticClass(), &TQVLCheckProcessor::StaticClass()});
}

}  // namespace rv
