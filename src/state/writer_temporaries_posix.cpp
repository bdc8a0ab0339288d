#include "state/writer_temporaries.h"

#include <signal.h>

#include <cerrno>
#include <climits>

bool process_is_running(unsigned long process_id) {
  // Ids that kill() would read as a process group are never asked.
  if (process_id == 0 || process_id > static_cast<unsigned long>(INT_MAX)) return true;
  return ::kill(static_cast<pid_t>(process_id), 0) == 0 || errno != ESRCH;
}
