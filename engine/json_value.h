// A small JSON tree for the editor's own files: objects, arrays, strings,
// whole numbers, true/false and null. Reading is strict and bounded (nesting
// depth, no fractions or exponents), so a damaged or hostile file is refused
// with a reason instead of being half understood.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class JsonValue {
 public:
  enum class Type { Null, Bool, Number, String, Array, Object };

  JsonValue() = default;
  static JsonValue Bool(bool value);
  static JsonValue Number(int64_t value);
  static JsonValue String(std::string value);
  static JsonValue Array();
  static JsonValue Object();

  Type GetType() const { return type_; }
  bool IsObject() const { return type_ == Type::Object; }
  bool IsArray() const { return type_ == Type::Array; }

  // Typed reads: false when the value has another type (or the number does
  // not fit), leaving `*out` alone.
  bool Get(bool* out) const;
  bool Get(int64_t* out) const;
  bool Get(std::string* out) const;

  // Object members; Find returns null for a missing key or a non-object.
  const JsonValue* Find(std::string_view key) const;
  JsonValue& Set(std::string key, JsonValue value);
  // Array items.
  const std::vector<JsonValue>& Items() const { return items_; }
  void Append(JsonValue value) { items_.push_back(std::move(value)); }

  // Compact text with members in insertion order.
  std::string Serialize() const;

 private:
  friend class JsonParser;
  Type type_ = Type::Null;
  bool boolean_ = false;
  int64_t number_ = 0;
  std::string text_;
  std::vector<JsonValue> items_;
  std::vector<std::pair<std::string, JsonValue>> members_;
};

// Parses a whole document; false (with `*error` saying where and why) for
// anything but exactly one value surrounded by white space.
bool ParseJson(std::string_view text, JsonValue* out, std::string* error);
