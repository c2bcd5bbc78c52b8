#pragma once
// A strict JSON reader (RFC 8259) for tests that read back what the tool
// prints: anything that is not valid JSON in valid UTF-8 fails to parse, so a
// report that only looks like JSON to a string compare is caught.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mendora::test {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string's value, UTF-8
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  // The member `name` of an object; a null value when there is none.
  const JsonValue& operator[](const std::string& name) const;
  const JsonValue& operator[](size_t index) const;
  bool Has(const std::string& name) const { return members.count(name) != 0; }
};

// The document, or nullopt with the offset of the first fault in *error_at.
std::optional<JsonValue> ParseJson(std::string_view text, size_t* error_at = nullptr);

}  // namespace mendora::test
