// UTF-8 <-> UTF-16 for the Windows API, which speaks UTF-16 while pelk's texts
// are UTF-8. Neither direction fails: what cannot be converted becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

// Invalid UTF-8 sequences become U+FFFD.
std::wstring widen(std::string_view utf8);

// Lone surrogates (which Windows file names and environment values may hold)
// become U+FFFD.
std::string narrow(std::wstring_view utf16);
