#include "platform/vcl/fltk/TextWrap.h"

namespace vcl::fltk {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026 in UTF-8

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The bytes of the character that starts at text[index]; a stray byte is one character.
std::size_t CharacterLength(std::string_view text, std::size_t index) {
  std::size_t length = 1;
  while (index + length < text.size() && IsContinuationByte(text[index + length])) ++length;
  return length;
}

// The longest head of a word that fits, never less than its first character.
std::size_t FittingHead(std::string_view word, double maxWidth, const TextWidth& width) {
  std::size_t end = CharacterLength(word, 0);
  while (end < word.size()) {
    const std::size_t next = end + CharacterLength(word, end);
    if (width(word.substr(0, next)) > maxWidth) break;
    end = next;
  }
  return end;
}

void WrapParagraph(std::string_view paragraph, double maxWidth, const TextWidth& width,
                   std::vector<std::string>& lines) {
  std::string line;
  bool lineStarted = false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t blank = paragraph.find(' ', start);
    std::string_view word =
        paragraph.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start);
    if (lineStarted) {
      std::string joined = line + ' ' + std::string(word);
      if (width(joined) <= maxWidth) {
        line = std::move(joined);
      } else {
        lines.push_back(std::move(line));  // the blank at the break is dropped
        lineStarted = false;
      }
    }
    if (!lineStarted) {
      // The last piece of a broken word begins the next line.
      while (!word.empty() && width(word) > maxWidth) {
        const std::size_t head = FittingHead(word, maxWidth, width);
        if (head == word.size()) break;
        lines.emplace_back(word.substr(0, head));
        word.remove_prefix(head);
      }
      line = std::string(word);
      lineStarted = true;
    }
    if (blank == std::string_view::npos) break;
    start = blank + 1;
  }
  lines.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> WrapText(std::string_view text, double maxWidth, const TextWidth& width) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
      WrapParagraph(text.substr(start), maxWidth, width, lines);
      return lines;
    }
    WrapParagraph(text.substr(start, newline - start), maxWidth, width, lines);
    start = newline + 1;
  }
}

std::vector<std::string> FirstLines(std::vector<std::string> lines, std::size_t maxLines,
                                    double maxWidth, const TextWidth& width) {
  if (lines.size() <= maxLines || maxLines == 0) {
    if (maxLines == 0) lines.clear();
    return lines;
  }
  lines.resize(maxLines);
  std::string& last = lines.back();
  while (!last.empty() && width(last + std::string(kEllipsis)) > maxWidth) {
    std::size_t cut = last.size() - 1;
    while (cut > 0 && IsContinuationByte(last[cut])) --cut;
    last.erase(cut);
  }
  last += kEllipsis;
  return lines;
}

}  // namespace vcl::fltk
