#include "maintenance/own_sessions.h"

#include "filesync/mutagen_sessions.h"

void terminate_own_sessions(ToolRunner& runner) {
  for (auto name : kOwnSessions) (void)terminate_session(runner, name);
}
