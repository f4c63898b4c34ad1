// The printer's code page 850: what it prints, and how tools show it.
#pragma once

#include <string>

namespace fiscemu {

// UTF-8 text (the printer's own words) to code page 850 bytes; characters the
// code page lacks become '?'.
std::string utf8ToCp850(const std::string& utf8);

// Code page 850 bytes to UTF-8 for display. Control bytes 0x01-0x1F and 0x7F
// are shown with the glyphs the printer's character set gives them.
std::string cp850ToUtf8(const std::string& bytes);

}  // namespace fiscemu
