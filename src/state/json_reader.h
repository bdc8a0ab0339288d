// The strict JSON reader behind every record pelk reads (laptop.json, the
// Tailscale report, the sync rules). It keeps every member in document order,
// duplicates included, and the place where each value ended, so the typed
// readers can reject duplicate fields and name the place of each fault.
#pragma once

#include <cstdint>
#include <expected>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct JsonPosition {
  std::size_t line = 1;    // counted from 1
  std::size_t column = 0;  // of the last character read, counted from 1
};

struct JsonValue {
  enum class Type { Null, Boolean, Integer, Unsigned, Float, String, Array, Object };

  Type type = Type::Null;
  bool boolean = false;
  std::int64_t integer = 0;    // Type::Integer: a negative whole number
  std::uint64_t unsigned_value = 0;  // Type::Unsigned
  double floating = 0;
  std::string text;  // Type::String: the string; Type::Float: the number as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;
  std::vector<JsonPosition> key_positions;  // one per member: where its key ended
  JsonPosition end;                         // where the value ended

  // Defined where JsonValue is complete: `members` holds pairs of it, and
  // clang instantiates their destruction at the class itself otherwise.
  JsonValue();
  JsonValue(const JsonValue&);
  JsonValue(JsonValue&&) noexcept;
  JsonValue& operator=(const JsonValue&);
  JsonValue& operator=(JsonValue&&) noexcept;
  ~JsonValue();
};

// A fault text such as "missing field `server` at line 1 column 2".
using JsonFault = std::string;

template <class T>
using JsonResult = std::expected<T, JsonFault>;

// One JSON document; only white space may follow it.
[[nodiscard]] JsonResult<JsonValue> parse_json(std::string_view text);

std::string json_fault_at(std::string_view what, JsonPosition position);

// The known fields of one object. A known field given twice is a fault; other
// members are ignored whatever they hold.
class JsonFields {
 public:
  [[nodiscard]] static JsonResult<JsonFields> read(const JsonValue& value, std::initializer_list<std::string_view> names,
                                     std::string_view expected_what);

  // The field's value, or nullptr when it is absent.
  const JsonValue* find(std::string_view name) const;
  // The "missing field `name`" fault, placed at the object's end.
  JsonFault missing(std::string_view name) const;

  // Typed reads of required fields.
  [[nodiscard]] JsonResult<std::string> string(std::string_view name) const;
  [[nodiscard]] JsonResult<bool> boolean(std::string_view name) const;
  [[nodiscard]] JsonResult<std::uint64_t> unsigned64(std::string_view name) const;
  [[nodiscard]] JsonResult<std::vector<std::string>> string_list(std::string_view name) const;

 private:
  const JsonValue* object_ = nullptr;
  std::map<std::string, const JsonValue*, std::less<>> fields_;
};

// Typed reads of one value.
[[nodiscard]] JsonResult<std::string> json_as_string(const JsonValue& value);
[[nodiscard]] JsonResult<bool> json_as_bool(const JsonValue& value);
[[nodiscard]] JsonResult<std::uint64_t> json_as_unsigned64(const JsonValue& value);
[[nodiscard]] JsonResult<std::vector<std::string>> json_as_string_list(const JsonValue& value);
JsonFault json_invalid_type(const JsonValue& value, std::string_view expected_what);
