#include "support/json_reader.h"

#include <cstdlib>

namespace mendora::test {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  bool Document(JsonValue* out) {
    Space();
    if (!Value(out, 0)) return false;
    Space();
    return i_ == s_.size();
  }
  size_t at() const { return i_; }

 private:
  static constexpr int kMaxDepth = 64;

  void Space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
  }
  bool Eat(char c) {
    if (i_ >= s_.size() || s_[i_] != c) return false;
    ++i_;
    return true;
  }
  bool Word(std::string_view w) {
    if (s_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  bool Value(JsonValue* out, int depth) {
    if (depth > kMaxDepth || i_ >= s_.size()) return false;
    switch (s_[i_]) {
      case '{': return Object(out, depth);
      case '[': return Array(out, depth);
      case '"': out->kind = JsonValue::Kind::kString; return String(&out->text);
      case 't': out->kind = JsonValue::Kind::kBool; out->boolean = true; return Word("true");
      case 'f': out->kind = JsonValue::Kind::kBool; return Word("false");
      case 'n': return Word("null");
      default: out->kind = JsonValue::Kind::kNumber; return Number(&out->number);
    }
  }

  bool Object(JsonValue* out, int depth) {
    out->kind = JsonValue::Kind::kObject;
    ++i_;
    Space();
    if (Eat('}')) return true;
    for (;;) {
      std::string name;
      Space();
      if (!String(&name)) return false;
      Space();
      if (!Eat(':')) return false;
      Space();
      JsonValue value;
      if (!Value(&value, depth + 1) || out->members.count(name) != 0) return false;
      out->members.emplace(std::move(name), std::move(value));
      Space();
      if (Eat('}')) return true;
      if (!Eat(',')) return false;
    }
  }

  bool Array(JsonValue* out, int depth) {
    out->kind = JsonValue::Kind::kArray;
    ++i_;
    Space();
    if (Eat(']')) return true;
    for (;;) {
      Space();
      out->items.emplace_back();
      if (!Value(&out->items.back(), depth + 1)) return false;
      Space();
      if (Eat(']')) return true;
      if (!Eat(',')) return false;
    }
  }

  bool Number(double* out) {
    const size_t start = i_;
    Eat('-');
    if (Eat('0')) {
    } else if (i_ < s_.size() && s_[i_] >= '1' && s_[i_] <= '9') {
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    } else {
      return false;
    }
    if (Eat('.')) {
      if (i_ >= s_.size() || s_[i_] < '0' || s_[i_] > '9') return false;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    }
    if (i_ < s_.size() && (s_[i_] == 'e' || s_[i_] == 'E')) {
      ++i_;
      if (!Eat('+')) Eat('-');
      if (i_ >= s_.size() || s_[i_] < '0' || s_[i_] > '9') return false;
      while (i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_;
    }
    *out = std::strtod(std::string(s_.substr(start, i_ - start)).c_str(), nullptr);
    return true;
  }

  static void Append(char32_t c, std::string* out) {
    if (c < 0x80) {
      *out += static_cast<char>(c);
    } else if (c < 0x800) {
      *out += static_cast<char>(0xC0 | (c >> 6));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *out += static_cast<char>(0xE0 | (c >> 12));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (c >> 18));
      *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool Hex4(char32_t* out) {
    if (i_ + 4 > s_.size()) return false;
    *out = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s_[i_++];
      const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (v < 0) return false;
      *out = *out * 16 + static_cast<char32_t>(v);
    }
    return true;
  }

  // One UTF-8 character taken as it stands; false for a malformed one.
  bool Utf8(std::string* out) {
    const auto b0 = static_cast<unsigned char>(s_[i_]);
    size_t n = b0 >= 0xC2 && b0 <= 0xDF ? 1 : b0 >= 0xE0 && b0 <= 0xEF ? 2 : b0 >= 0xF0 && b0 <= 0xF4 ? 3 : 0;
    if (n == 0 || i_ + n >= s_.size()) return false;
    char32_t c = b0 & (n == 1 ? 0x1F : n == 2 ? 0x0F : 0x07);
    for (size_t k = 1; k <= n; ++k) {
      const auto b = static_cast<unsigned char>(s_[i_ + k]);
      if ((b & 0xC0) != 0x80) return false;
      c = (c << 6) | (b & 0x3F);
    }
    if ((n == 2 && c < 0x800) || (n == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
      return false;
    out->append(s_.substr(i_, n + 1));
    i_ += n + 1;
    return true;
  }

  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size()) {
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        ++i_;
        return true;
      }
      if (c < 0x20) return false;
      if (c >= 0x80) {
        if (!Utf8(out)) return false;
        continue;
      }
      ++i_;
      if (c != '\\') {
        *out += static_cast<char>(c);
        continue;
      }
      if (i_ >= s_.size()) return false;
      const char e = s_[i_++];
      switch (e) {
        case '"': case '\\': case '/': *out += e; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case 'u': {
          char32_t u = 0;
          if (!Hex4(&u)) return false;
          if (u >= 0xD800 && u <= 0xDBFF) {
            char32_t low = 0;
            if (!Word("\\u") || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF) return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
          } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return false;
          }
          Append(u, out);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  std::string_view s_;
  size_t i_ = 0;
};

const JsonValue& Null() {
  static const JsonValue null;
  return null;
}

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
  const auto it = members.find(name);
  return it == members.end() ? Null() : it->second;
}

const JsonValue& JsonValue::operator[](size_t index) const { return index < items.size() ? items[index] : Null(); }

std::optional<JsonValue> ParseJson(std::string_view text, size_t* error_at) {
  Parser parser(text);
  JsonValue value;
  if (parser.Document(&value)) return value;
  if (error_at != nullptr) *error_at = parser.at();
  return std::nullopt;
}

}  // namespace mendora::test
