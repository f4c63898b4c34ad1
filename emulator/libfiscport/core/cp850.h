// The code pages of the printer's text: Windows Latin (1252), the code page
// of the C interface's texts and of everything the printer prints, and code
// page 850, the one the roll of older memories was printed in; how tools
// show both.
#pragma once

#include <string>

namespace fiscemu {

// UTF-8 text (the printer's own words) to code page 850 bytes; characters the
// code page lacks become '?'.
std::string utf8ToCp850(const std::string& utf8);

// Code page 850 bytes to UTF-8 for display. Control bytes 0x01-0x1F and 0x7F
// are shown with the glyphs the printer's character set gives them.
std::string cp850ToUtf8(const std::string& bytes);

// UTF-8 text (the printer's own words) to Windows Latin bytes; characters
// the code page lacks become '?'.
std::string utf8ToWindowsLatin(const std::string& utf8);

// Windows Latin bytes to UTF-8 for display: the characters the program sent.
// The five bytes the code page leaves undefined show as '?'; control bytes
// as in cp850ToUtf8 (30 and 31, the only ones the printer prints, are its
// triangles ▲ and ▼).
std::string windowsLatinToUtf8(const std::string& bytes);

}  // namespace fiscemu
