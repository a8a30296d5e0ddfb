#include "batch/positions.h"

#include <algorithm>
#include <cctype>

namespace {

struct ParsedPosition {
  unsigned __int128 mantissa = 0;  // the digits, decimal point removed
  unsigned __int128 divisor = 1;   // 10^(fraction digits), times 1000 for ms
  bool isTime = false;
};

bool Parse(const std::string& text, ParsedPosition* out) {
  size_t i = 0;
  int digits = 0;
  int fractionDigits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      // Beyond 30 significant digits the value is far past any 32-bit
      // position; keeping the count bounded keeps the arithmetic exact.
      if (++digits > 30) return false;
      out->mantissa = out->mantissa * 10 + static_cast<unsigned>(c - '0');
      if (point) {
        ++fractionDigits;
        out->divisor *= 10;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  const std::string unit = text.substr(i);
  if (unit.empty()) {
    return !point;  // byte positions are whole numbers
  }
  out->isTime = true;
  if (unit == "s") return true;
  if (unit == "ms") {
    out->divisor *= 1000;
    return true;
  }
  return false;
}

uint32_t AlignDown(uint32_t value, uint32_t block) {
  return block > 1 ? value - value % block : value;
}

}  // namespace

bool IsPositionText(const std::string& text) {
  ParsedPosition parsed;
  return Parse(text, &parsed);
}

bool ParsePosition(const std::string& text, uint64_t bytesPerSecond, uint32_t blockAlign,
                   uint32_t dataLength, uint32_t* bytes, std::string* error) {
  ParsedPosition parsed;
  if (!Parse(text, &parsed)) {
    *error = "\"" + text + "\" is not a position (bytes, or a time such as 1.5s or 250ms)";
    return false;
  }
  unsigned __int128 value = parsed.mantissa;
  if (parsed.isTime) {
    // 30 digits times a 64-bit byte rate can pass 128 bits; such a time is
    // past the end of any file either way.
    const auto most = ~static_cast<unsigned __int128>(0);
    value = bytesPerSecond != 0 && parsed.mantissa > most / bytesPerSecond
                ? most
                : parsed.mantissa * bytesPerSecond / parsed.divisor;
  }
  const uint32_t limit = AlignDown(dataLength, blockAlign);
  const uint32_t clamped = value > limit ? limit : static_cast<uint32_t>(value);
  *bytes = AlignDown(clamped, blockAlign);
  return true;
}
