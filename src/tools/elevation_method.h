// How a script gets administrator rights.
#pragma once

enum class ElevationMethod { Sudo = 0, Osascript = 1, Pkexec = 2, PowerShellRunAs = 3 };
