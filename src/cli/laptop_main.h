// `pelk laptop ...`: what every laptop command shares (home folder, search
// path, runner, OS kind, elevation method), then the command's own entry.
#pragma once

#include "cli/cli_command.h"

// The exit status: 0 done, 1 the command failed, 2 no home folder.
int laptop_main(const LaptopCommand& command);
