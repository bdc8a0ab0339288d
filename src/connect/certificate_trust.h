// Everything that makes the laptop trust the environment's certificate, and
// takes that trust away again: the system store, the macOS login keychain, the
// browsers' NSS databases, and the elevated connect script that holds them.
#pragma once

#include "connect/browser_trust.h"
#include "connect/login_keychain.h"
#include "tools/script_quote.h"
#include "connect/setup_script.h"
#include "connect/system_trust.h"
