#include "app/core/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace pelyx::app {
namespace {

// An open conversion descriptor, closed on every way out.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Runs the conversion. With `lenient`, an invalid or incomplete input sequence is
// replaced by U+FFFD and skipped by one byte; without, it fails the conversion.
std::optional<std::string> Convert(std::string_view input, const char* to, const char* from,
                                   bool lenient) {
  Converter converter(to, from);
  if (!converter.valid()) return std::nullopt;
  std::string out;
  out.reserve(input.size() * 2 + 16);
  char buffer[1024];
  // iconv takes a non-const input pointer but does not write through it.
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;  // buffer full: go round again
    if (!lenient) return std::nullopt;
    if (errno == EILSEQ || errno == EINVAL) {
      out.append(kReplacement);
      ++in;
      --inLeft;
      iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      continue;
    }
    return std::nullopt;
  }
  // Flush any shift state.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(converter.get(), nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, sizeof buffer - outLeft);
  return out;
}

// Length in bytes of the UTF-8 sequence that starts with `lead`; 1 for a stray byte.
size_t SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

std::optional<std::string> ToUtf8(std::string_view bytes, const char* charset) {
  return Convert(bytes, "UTF-8", charset, true);
}

std::optional<std::string> FromUtf8(std::string_view utf8, const char* charset) {
  return Convert(utf8, charset, "UTF-8", false);
}

size_t Utf8Length(std::string_view utf8) {
  size_t count = 0;
  for (size_t i = 0; i < utf8.size(); i += SequenceLength(static_cast<unsigned char>(utf8[i]))) {
    ++count;
  }
  return count;
}

std::string_view Utf8Prefix(std::string_view utf8, size_t maxChars) {
  size_t i = 0;
  for (size_t chars = 0; i < utf8.size() && chars < maxChars; ++chars) {
    i += SequenceLength(static_cast<unsigned char>(utf8[i]));
  }
  return utf8.substr(0, std::min(i, utf8.size()));
}

std::vector<std::string> SplitUtf8(std::string_view utf8, size_t maxChars) {
  std::vector<std::string> pieces;
  if (maxChars == 0) maxChars = 1;
  do {
    std::string_view piece = Utf8Prefix(utf8, maxChars);
    pieces.emplace_back(piece);
    utf8.remove_prefix(piece.size());
  } while (!utf8.empty());
  return pieces;
}

}  // namespace pelyx::app
