#include "common/Texts.h"

#include <algorithm>
#include <iterator>

namespace mendora {
namespace {

struct TableRow {
  unsigned id;
  const char* english;
  const char* japanese;
};

constexpr TableRow kTable[] = {
#include "strings_table.inc"
};

std::string ReplaceAll(const std::string& text, const std::string& marker, const std::string& value) {
  std::string out;
  out.reserve(text.size() + value.size());
  size_t start = 0;
  for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, start)) {
    out.append(text, start, at - start);
    out += value;
    start = at + marker.size();
  }
  out.append(text, start, std::string::npos);
  return out;
}

}  // namespace

const char* TableText(unsigned id, bool japanese) {
  const auto row = std::find_if(std::begin(kTable), std::end(kTable), [id](const TableRow& r) { return r.id == id; });
  if (row == std::end(kTable)) return nullptr;
  return japanese ? row->japanese : row->english;
}

std::string FormatString1(const std::string& format, const std::string& a1) { return ReplaceAll(format, "%1", a1); }

std::string FormatString2(const std::string& format, const std::string& a1, const std::string& a2) {
  // One pass, so a %2 inside the first argument is not replaced.
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == '1' || format[i + 1] == '2')) {
      out += format[i + 1] == '1' ? a1 : a2;
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace mendora
