// Ending pelk's own Mutagen sessions, as disconnect and uninstall both do.
#pragma once

#include "tools/tool_runner.h"

// Terminates the code, share and older screenshot sessions, in that order.
// Every outcome is ignored: a laptop without Mutagen or without the sessions
// simply goes on.
void terminate_own_sessions(ToolRunner& runner);
