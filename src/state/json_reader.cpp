#include "state/json_reader.h"

#include <iterator>
#include <nlohmann/json.hpp>

#include "state/command_error.h"

namespace {

// Nesting deeper than this is refused, so neither the reader nor the
// destruction of the tree can run out of stack.
constexpr std::size_t kMaxDepth = 128;

// Counts lines and columns of every character the parser pulls.
struct PositionTracker {
  JsonPosition position;
  void advance(char c) {
    if (c == '\n') {
      ++position.line;
      position.column = 0;
    } else {
      ++position.column;
    }
  }
};

class CountingIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator() = default;
  CountingIterator(const char* at, PositionTracker* tracker) : at_(at), tracker_(tracker) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    if (tracker_) tracker_->advance(*at_);
    ++at_;
    return *this;
  }
  CountingIterator operator++(int) {
    auto copy = *this;
    ++*this;
    return copy;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }

 private:
  const char* at_ = nullptr;
  PositionTracker* tracker_ = nullptr;
};

// Strips nlohmann's "[json.exception.parse_error.101] parse error at line 1,
// column 2: " prefix; the place is appended in pelk's own form.
std::string describe_parse_error(const std::string& what) {
  std::string text = what;
  if (auto colon = text.find(": "); text.starts_with("[json.exception") && colon != std::string::npos) {
    text = text.substr(colon + 2);
  }
  return text;
}

class TreeBuilder {
 public:
  explicit TreeBuilder(PositionTracker& tracker) : tracker_(tracker) {}

  bool null() { return attach(JsonValue{}); }
  bool boolean(bool value) {
    JsonValue v;
    v.type = JsonValue::Type::Boolean;
    v.boolean = value;
    return attach(std::move(v));
  }
  bool number_integer(std::int64_t value) {
    JsonValue v;
    if (value >= 0) {
      v.type = JsonValue::Type::Unsigned;
      v.unsigned_value = static_cast<std::uint64_t>(value);
    } else {
      v.type = JsonValue::Type::Integer;
      v.integer = value;
    }
    return attach(std::move(v));
  }
  bool number_unsigned(std::uint64_t value) {
    JsonValue v;
    v.type = JsonValue::Type::Unsigned;
    v.unsigned_value = value;
    return attach(std::move(v));
  }
  bool number_float(double value, const std::string& written) {
    JsonValue v;
    v.type = JsonValue::Type::Float;
    v.floating = value;
    v.text = written;
    return attach(std::move(v));
  }
  bool string(std::string& value) {
    JsonValue v;
    v.type = JsonValue::Type::String;
    v.text = std::move(value);
    return attach(std::move(v));
  }
  bool binary(nlohmann::json::binary_t&) { return attach(JsonValue{}); }
  bool start_object(std::size_t) { return open(JsonValue::Type::Object); }
  bool key(std::string& name) {
    JsonValue& object = open_.back();
    object.members.emplace_back(std::move(name), JsonValue{});
    object.key_positions.push_back(tracker_.position);
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(JsonValue::Type::Array); }
  bool end_array() { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) {
    fault_ = json_fault_at(describe_parse_error(ex.what()), tracker_.position);
    return false;
  }

  JsonFault fault() const { return fault_; }
  JsonValue take_root() { return std::move(root_); }

 private:
  bool open(JsonValue::Type type) {
    if (open_.size() >= kMaxDepth) {
      fault_ = json_fault_at("recursion limit exceeded", tracker_.position);
      return false;
    }
    JsonValue v;
    v.type = type;
    open_.push_back(std::move(v));
    return true;
  }
  bool close() {
    JsonValue done = std::move(open_.back());
    open_.pop_back();
    return attach(std::move(done));
  }
  bool attach(JsonValue value) {
    value.end = tracker_.position;
    if (open_.empty()) {
      root_ = std::move(value);
    } else if (open_.back().type == JsonValue::Type::Array) {
      open_.back().items.push_back(std::move(value));
    } else {
      open_.back().members.back().second = std::move(value);
    }
    return true;
  }

  PositionTracker& tracker_;
  std::vector<JsonValue> open_;
  JsonValue root_;
  JsonFault fault_;
};

std::string describe_value(const JsonValue& value) {
  switch (value.type) {
    case JsonValue::Type::Null: return "null";
    case JsonValue::Type::Boolean: return std::string("boolean `") + (value.boolean ? "true" : "false") + "`";
    case JsonValue::Type::Integer: return "integer `" + std::to_string(value.integer) + "`";
    case JsonValue::Type::Unsigned: return "integer `" + std::to_string(value.unsigned_value) + "`";
    case JsonValue::Type::Float: return "floating point `" + value.text + "`";
    case JsonValue::Type::String: return "string " + nlohmann::json(value.text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    case JsonValue::Type::Array: return "sequence";
    case JsonValue::Type::Object: return "map";
  }
  return "value";
}

}  // namespace

JsonValue::JsonValue() = default;
JsonValue::JsonValue(const JsonValue&) = default;
JsonValue::JsonValue(JsonValue&&) noexcept = default;
JsonValue& JsonValue::operator=(const JsonValue&) = default;
JsonValue& JsonValue::operator=(JsonValue&&) noexcept = default;
JsonValue::~JsonValue() = default;

std::string json_fault_at(std::string_view what, JsonPosition position) {
  return std::string(what) + " at line " + std::to_string(position.line) + " column " +
         std::to_string(position.column);
}

JsonResult<JsonValue> parse_json(std::string_view text) {
  PositionTracker tracker;
  TreeBuilder builder(tracker);
  CountingIterator first(text.data(), &tracker);
  CountingIterator last(text.data() + text.size(), nullptr);
  bool ok = false;
  try {
    ok = nlohmann::json::sax_parse(first, last, &builder, nlohmann::json::input_format_t::json, true);
  } catch (const std::exception& ex) {
    return std::unexpected(json_fault_at(describe_parse_error(ex.what()), tracker.position));
  }
  if (!ok) {
    auto fault = builder.fault();
    return std::unexpected(fault.empty() ? json_fault_at("invalid JSON", tracker.position) : fault);
  }
  return builder.take_root();
}

JsonFault json_invalid_type(const JsonValue& value, std::string_view expected_what) {
  return json_fault_at("invalid type: " + describe_value(value) + ", expected " + std::string(expected_what),
                       value.end);
}

JsonResult<std::string> json_as_string(const JsonValue& value) {
  if (value.type != JsonValue::Type::String) return std::unexpected(json_invalid_type(value, "a string"));
  return value.text;
}

JsonResult<bool> json_as_bool(const JsonValue& value) {
  if (value.type != JsonValue::Type::Boolean) return std::unexpected(json_invalid_type(value, "a boolean"));
  return value.boolean;
}

JsonResult<std::uint64_t> json_as_unsigned64(const JsonValue& value) {
  if (value.type == JsonValue::Type::Integer) {
    return std::unexpected(json_fault_at("invalid value: " + describe_value(value) + ", expected u64", value.end));
  }
  if (value.type != JsonValue::Type::Unsigned) return std::unexpected(json_invalid_type(value, "u64"));
  return value.unsigned_value;
}

JsonResult<std::vector<std::string>> json_as_string_list(const JsonValue& value) {
  if (value.type != JsonValue::Type::Array) return std::unexpected(json_invalid_type(value, "a sequence"));
  std::vector<std::string> list;
  list.reserve(value.items.size());
  for (const auto& item : value.items) {
    PELK_TRY_ASSIGN(std::string text, json_as_string(item));
    list.push_back(std::move(text));
  }
  return list;
}

JsonResult<JsonFields> JsonFields::read(const JsonValue& value, std::initializer_list<std::string_view> names,
                                        std::string_view expected_what) {
  if (value.type != JsonValue::Type::Object) return std::unexpected(json_invalid_type(value, expected_what));
  JsonFields fields;
  fields.object_ = &value;
  for (std::size_t i = 0; i < value.members.size(); ++i) {
    const auto& [name, member] = value.members[i];
    bool known = false;
    for (auto candidate : names) known = known || candidate == name;
    if (!known) continue;
    if (fields.fields_.contains(name)) {
      return std::unexpected(json_fault_at("duplicate field `" + name + "`", value.key_positions[i]));
    }
    fields.fields_.emplace(name, &member);
  }
  return fields;
}

const JsonValue* JsonFields::find(std::string_view name) const {
  auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

JsonFault JsonFields::missing(std::string_view name) const {
  return json_fault_at("missing field `" + std::string(name) + "`", object_->end);
}

template <class T, class Read>
[[nodiscard]] static JsonResult<T> required(const JsonFields& fields, std::string_view name, Read read) {
  const JsonValue* value = fields.find(name);
  if (value == nullptr) return std::unexpected(fields.missing(name));
  return read(*value);
}

JsonResult<std::string> JsonFields::string(std::string_view name) const {
  return required<std::string>(*this, name, json_as_string);
}
JsonResult<bool> JsonFields::boolean(std::string_view name) const {
  return required<bool>(*this, name, json_as_bool);
}
JsonResult<std::uint64_t> JsonFields::unsigned64(std::string_view name) const {
  return required<std::uint64_t>(*this, name, json_as_unsigned64);
}
JsonResult<std::vector<std::string>> JsonFields::string_list(std::string_view name) const {
  return required<std::vector<std::string>>(*this, name, json_as_string_list);
}
