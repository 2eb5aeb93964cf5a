#include "platform/win32/codepage.h"

#include <iconv.h>

#include <array>

namespace win32 {
namespace {

// 0x80..0x9F of code page 1252; 0 marks the five bytes it leaves undefined.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[i]; returns U+FFFD for a malformed one.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  char32_t cp = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

// A conversion of iconv's, closed with this object.
class IconvConversion {
 public:
  IconvConversion(const char* to, const char* from) : handle_(::iconv_open(to, from)) {}
  ~IconvConversion() {
    if (IsOpen()) ::iconv_close(handle_);
  }
  IconvConversion(const IconvConversion&) = delete;
  IconvConversion& operator=(const IconvConversion&) = delete;

  bool IsOpen() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // The bytes of one character in the target, or empty where it has no form there.
  std::string Character(std::string input) {
    char buffer[8];
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    ::iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    if (::iconv(handle_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return {};
    return std::string(buffer, sizeof buffer - outLeft);
  }

 private:
  iconv_t handle_;
};

}  // namespace

char32_t AnsiToCodePoint(unsigned char c) {
  if (c >= 0x80 && c <= 0x9F) {
    const char32_t mapped = kHighControls[c - 0x80];
    return mapped != 0 ? mapped : c;  // undefined bytes pass through as C1 controls
  }
  return c;
}

int CodePointToAnsi(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
  for (std::size_t k = 0; k < kHighControls.size(); ++k)
    if (kHighControls[k] == codePoint || (kHighControls[k] == 0 && codePoint == 0x80 + k))
      return static_cast<int>(0x80 + k);
  return -1;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, AnsiToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const int ansi = CodePointToAnsi(DecodeUtf8(utf8, i));
    out += ansi < 0 ? kUnmappable : static_cast<char>(ansi);
  }
  return out;
}

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string out;
  out.reserve(ansi.size());
  for (char c : ansi) out += static_cast<char16_t>(AnsiToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf16ToAnsi(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = utf16[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    }
    const int ansi = CodePointToAnsi(cp);
    out += ansi < 0 ? kUnmappable : static_cast<char>(ansi);
  }
  return out;
}

std::string AnsiToOem(std::string_view ansi) {
  std::string oem;
  oem.reserve(ansi.size());
  IconvConversion toOem("IBM437", "UTF-8");
  for (char c : ansi) {
    const auto byte = static_cast<unsigned char>(c);
    std::string converted;
    if (byte >= 0x80 && toOem.IsOpen()) {
      std::string utf8;
      AppendUtf8(utf8, AnsiToCodePoint(byte));
      converted = toOem.Character(utf8);
    }
    // Outside ASCII only one byte outside ASCII will do; else the 1252 byte stays.
    const bool oneHighByte = converted.size() == 1 && (static_cast<unsigned char>(converted[0]) & 0x80) != 0;
    oem += oneHighByte ? converted[0] : c;
  }
  return oem;
}

char AnsiToUpper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if ((u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);  // š œ ž
  if (u == 0xFF) return static_cast<char>(0x9F);                               // ÿ
  return c;
}

char AnsiToLower(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if ((u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 32);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 16);
  if (u == 0x9F) return static_cast<char>(0xFF);
  return c;
}

bool AnsiEqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AnsiToUpper(a[i]) != AnsiToUpper(b[i])) return false;
  return true;
}

}  // namespace win32
