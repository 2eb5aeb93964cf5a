// Breaking a message into lines that fit a width. Internal to the FLTK
// backend; it draws nothing, so it is tested without a display.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vcl::fltk {

// The width of a piece of UTF-8 text in the font it will be drawn in.
using TextWidth = std::function<double(std::string_view)>;

// The lines of a UTF-8 text no wider than maxWidth: a line ends at a newline,
// else after the last blank that lets it fit; a word wider than a line on its
// own is broken between two characters. Every line holds at least one
// character, and no character's bytes are split.
std::vector<std::string> WrapText(std::string_view text, double maxWidth, const TextWidth& width);

// The first maxLines lines; where some are left over, the last one kept ends
// in an ellipsis, shortened to fit maxWidth with it.
std::vector<std::string> FirstLines(std::vector<std::string> lines, std::size_t maxLines,
                                    double maxWidth, const TextWidth& width);

}  // namespace vcl::fltk
