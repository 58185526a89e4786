#include "engine/util/visible_text.h"

#include "engine/util/lenient_utf8.h"

namespace tallix {
namespace {

void AppendEscape(std::string& out, unsigned char byte) {
  constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

bool IsC0OrDel(unsigned char byte) { return (byte < 0x20 && byte != '\t') || byte == 0x7F; }

}  // namespace

std::string VisibleText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = lead < 0x80 ? 1 : Utf8SequenceLength(text);
    const bool c1 = length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[1]) < 0xA0;
    if (IsC0OrDel(lead) || c1 || (length == 0 && lead < 0xA0)) {
      length = c1 ? 2 : 1;
      for (size_t i = 0; i < length; ++i) AppendEscape(out, static_cast<unsigned char>(text[i]));
    } else {
      if (length == 0) length = 1;
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  return out;
}

}  // namespace tallix
