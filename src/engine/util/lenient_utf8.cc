#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(byte(i))) return 0;
  }
  return length;
}

void AppendLenientUtf8(std::string& out, std::string_view bytes) {
  // Plain ASCII, by far the most common text, goes in whole.
  size_t ascii = 0;
  while (ascii < bytes.size() && (bytes[ascii] & 0x80) == 0) ++ascii;
  out.append(bytes.substr(0, ascii));
  bytes.remove_prefix(ascii);
  while (!bytes.empty()) {
    const size_t length = Utf8SequenceLength(bytes);
    if (length > 0) {
      out.append(bytes.substr(0, length));
      bytes.remove_prefix(length);
      continue;
    }
    const auto code = static_cast<unsigned char>(bytes[0]);
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
    bytes.remove_prefix(1);
  }
}

size_t TextWidth(std::string_view text) {
  size_t code_points = 0;
  for (std::string_view rest = text; !rest.empty(); ++code_points) {
    const size_t length = Utf8SequenceLength(rest);
    if (length == 0) return text.size();
    rest.remove_prefix(length);
  }
  return code_points;
}

}  // namespace tallix
