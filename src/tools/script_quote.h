// Quoting a text for the scripts pelk hands to a shell or to PowerShell, so
// the script sees exactly that text and runs nothing of it.
#pragma once

#include <string>
#include <string_view>

// Single quotes for sh: each ' becomes '\'' inside the quotes.
std::string shell_quote(std::string_view text);

// Single quotes for PowerShell: each single quote is doubled. PowerShell also
// takes the typographic single quotes (U+2018 to U+201B) as quote marks, so
// they are doubled too; otherwise a name such as O’Brien would end the string.
std::string powershell_quote(std::string_view text);

// The body of an AppleScript string literal: backslashes doubled first, then
// each double quote escaped (so the added backslashes are not doubled).
std::string applescript_string_body(std::string_view text);
