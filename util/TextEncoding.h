#pragma once
// Texts from patch files and profiles on their way into a report: names
// may be in any encoding and hold any byte, while XML and the PDF's
// standard fonts accept only some.

#include <string>
#include <string_view>
#include <vector>

// Code points of UTF-8 text; an invalid sequence gives U+FFFD per byte.
std::vector<char32_t> utf8CodePoints(std::string_view text);
// Valid UTF-8 with the markup characters escaped; control characters
// other than tab and line breaks, which XML forbids, are left out.
std::string xmlEscaped(std::string_view text);
// Text from a file made safe for a terminal or a message: control
// characters (C0 with tab and NUL, DEL, C1) and bytes that are not UTF-8
// are written as \xHH (\x1b for ESC), so nothing in a file can move the
// cursor, recolour a terminal or cut a message short; other text is kept.
std::string printable(std::string_view text);
