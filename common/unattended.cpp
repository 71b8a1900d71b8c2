#include "unattended.h"

#include "../diagnostics/diagnostic_log.h"
#include "platform.h"

int RunIsUnattended() {
  if (!platform.windowStationVisible()) {
    LogUnattended();
    return 1;
  }
  unsigned long session, console;
  if (!platform.sessionIds(&session, &console) || session != 0 || console == 0) return 0;
  LogSessionZero(console);
  return 1;
}
