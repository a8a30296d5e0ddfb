#include "engine/json_value.h"

#include <cstdio>
#include <limits>

JsonValue JsonValue::Bool(bool value) {
  JsonValue v;
  v.type_ = Type::Bool;
  v.boolean_ = value;
  return v;
}

JsonValue JsonValue::Number(int64_t value) {
  JsonValue v;
  v.type_ = Type::Number;
  v.number_ = value;
  return v;
}

JsonValue JsonValue::String(std::string value) {
  JsonValue v;
  v.type_ = Type::String;
  v.text_ = std::move(value);
  return v;
}

JsonValue JsonValue::Array() {
  JsonValue v;
  v.type_ = Type::Array;
  return v;
}

JsonValue JsonValue::Object() {
  JsonValue v;
  v.type_ = Type::Object;
  return v;
}

bool JsonValue::Get(bool* out) const {
  if (type_ != Type::Bool) return false;
  *out = boolean_;
  return true;
}

bool JsonValue::Get(int64_t* out) const {
  if (type_ != Type::Number) return false;
  *out = number_;
  return true;
}

bool JsonValue::Get(std::string* out) const {
  if (type_ != Type::String) return false;
  *out = text_;
  return true;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (type_ != Type::Object) return nullptr;
  for (const auto& [name, value] : members_) {
    if (name == key) return &value;
  }
  return nullptr;
}

JsonValue& JsonValue::Set(std::string key, JsonValue value) {
  type_ = Type::Object;
  for (auto& [name, existing] : members_) {
    if (name == key) return existing = std::move(value);
  }
  members_.emplace_back(std::move(key), std::move(value));
  return members_.back().second;
}

namespace {

void AppendQuoted(std::string_view text, std::string* out) {
  out->push_back('"');
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        *out += "\\\"";
        break;
      case '\\':
        *out += "\\\\";
        break;
      case '\n':
        *out += "\\n";
        break;
      case '\r':
        *out += "\\r";
        break;
      case '\t':
        *out += "\\t";
        break;
      default:
        if (u < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
          *out += escaped;
        } else {
          // Bytes of any encoding pass through: a path is whatever bytes
          // the file system holds.
          out->push_back(c);
        }
    }
  }
  out->push_back('"');
}

void SerializeInto(const JsonValue& value, std::string* out);

}  // namespace

std::string JsonValue::Serialize() const {
  std::string out;
  SerializeInto(*this, &out);
  return out;
}

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  bool ParseDocument(JsonValue* out, std::string* error) {
    SkipSpace();
    if (!ParseValue(out, 0)) {
      *error = error_ + " at byte " + std::to_string(pos_);
      return false;
    }
    SkipSpace();
    if (pos_ != text_.size()) {
      *error = "text after the end of the value at byte " + std::to_string(pos_);
      return false;
    }
    return true;
  }

  static void Serialize(const JsonValue& value, std::string* out) {
    switch (value.type_) {
      case JsonValue::Type::Null:
        *out += "null";
        break;
      case JsonValue::Type::Bool:
        *out += value.boolean_ ? "true" : "false";
        break;
      case JsonValue::Type::Number:
        *out += std::to_string(value.number_);
        break;
      case JsonValue::Type::String:
        AppendQuoted(value.text_, out);
        break;
      case JsonValue::Type::Array: {
        out->push_back('[');
        bool first = true;
        for (const JsonValue& item : value.items_) {
          if (!first) out->push_back(',');
          first = false;
          Serialize(item, out);
        }
        out->push_back(']');
        break;
      }
      case JsonValue::Type::Object: {
        out->push_back('{');
        bool first = true;
        for (const auto& [name, member] : value.members_) {
          if (!first) out->push_back(',');
          first = false;
          AppendQuoted(name, out);
          out->push_back(':');
          Serialize(member, out);
        }
        out->push_back('}');
        break;
      }
    }
  }

 private:
  // Deeper nesting than any file of ours has is refused before the stack
  // could suffer from it.
  static constexpr int kMaxDepth = 32;

  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r')) {
      ++pos_;
    }
  }
  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return Fail("unknown word");
    pos_ += word.size();
    return true;
  }

  bool ParseValue(JsonValue* out, int depth) {
    if (depth > kMaxDepth) return Fail("nested too deeply");
    if (pos_ >= text_.size()) return Fail("unexpected end");
    const char c = text_[pos_];
    if (c == '{') return ParseObject(out, depth);
    if (c == '[') return ParseArray(out, depth);
    if (c == '"') {
      out->type_ = JsonValue::Type::String;
      return ParseString(&out->text_);
    }
    if (c == 't' || c == 'f') {
      const bool value = c == 't';
      if (!Literal(value ? "true" : "false")) return false;
      *out = JsonValue::Bool(value);
      return true;
    }
    if (c == 'n') {
      if (!Literal("null")) return false;
      *out = JsonValue();
      return true;
    }
    return ParseNumber(out);
  }

  bool ParseNumber(JsonValue* out) {
    bool negative = false;
    if (pos_ < text_.size() && text_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    const size_t start = pos_;
    uint64_t magnitude = 0;
    constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      const auto digit = static_cast<uint64_t>(text_[pos_] - '0');
      if (magnitude > (kLimit - digit) / 10) return Fail("number too large");
      magnitude = magnitude * 10 + digit;
      ++pos_;
    }
    if (pos_ == start) return Fail("unexpected character");
    if (pos_ < text_.size() && (text_[pos_] == '.' || text_[pos_] == 'e' || text_[pos_] == 'E')) {
      return Fail("only whole numbers are expected");
    }
    const auto value = static_cast<int64_t>(magnitude);
    *out = JsonValue::Number(negative ? -value : value);
    return true;
  }

  bool ParseHex4(uint32_t* code) {
    if (pos_ + 4 > text_.size()) return Fail("unexpected end");
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = text_[pos_++];
      *code <<= 4;
      if (h >= '0' && h <= '9') {
        *code |= static_cast<uint32_t>(h - '0');
      } else if (h >= 'a' && h <= 'f') {
        *code |= static_cast<uint32_t>(h - 'a' + 10);
      } else if (h >= 'A' && h <= 'F') {
        *code |= static_cast<uint32_t>(h - 'A' + 10);
      } else {
        return Fail("bad \\u escape");
      }
    }
    return true;
  }

  static void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (code >> 18)));
      out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  bool ParseString(std::string* out) {
    ++pos_;  // the opening quote
    out->clear();
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string");
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (pos_ >= text_.size()) break;
      const char e = text_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out->push_back(e);
          break;
        case 'b':
          out->push_back('\b');
          break;
        case 'f':
          out->push_back('\f');
          break;
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case 'u': {
          uint32_t code = 0;
          if (!ParseHex4(&code)) return false;
          if (code >= 0xD800 && code < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            uint32_t low = 0;
            if (!ParseHex4(&low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(code, out);
          break;
        }
        default:
          return Fail("bad escape");
      }
    }
    return Fail("unterminated string");
  }

  bool ParseArray(JsonValue* out, int depth) {
    ++pos_;
    *out = JsonValue::Array();
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == ']') {
      ++pos_;
      return true;
    }
    while (true) {
      SkipSpace();
      JsonValue item;
      if (!ParseValue(&item, depth + 1)) return false;
      out->items_.push_back(std::move(item));
      SkipSpace();
      if (pos_ >= text_.size()) return Fail("unexpected end");
      if (text_[pos_] == ']') {
        ++pos_;
        return true;
      }
      if (text_[pos_] != ',') return Fail("expected , or ]");
      ++pos_;
    }
  }

  bool ParseObject(JsonValue* out, int depth) {
    ++pos_;
    *out = JsonValue::Object();
    SkipSpace();
    if (pos_ < text_.size() && text_[pos_] == '}') {
      ++pos_;
      return true;
    }
    while (true) {
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected a member name");
      std::string name;
      if (!ParseString(&name)) return false;
      SkipSpace();
      if (pos_ >= text_.size() || text_[pos_] != ':') return Fail("expected :");
      ++pos_;
      SkipSpace();
      JsonValue value;
      if (!ParseValue(&value, depth + 1)) return false;
      if (out->Find(name) != nullptr) return Fail("member named twice");
      out->members_.emplace_back(std::move(name), std::move(value));
      SkipSpace();
      if (pos_ >= text_.size()) return Fail("unexpected end");
      if (text_[pos_] == '}') {
        ++pos_;
        return true;
      }
      if (text_[pos_] != ',') return Fail("expected , or }");
      ++pos_;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  std::string error_;
};

namespace {

void SerializeInto(const JsonValue& value, std::string* out) {
  JsonParser::Serialize(value, out);
}

}  // namespace

bool ParseJson(std::string_view text, JsonValue* out, std::string* error) {
  JsonParser parser(text);
  JsonValue parsed;
  std::string why;
  if (!parser.ParseDocument(&parsed, &why)) {
    if (error != nullptr) *error = why;
    return false;
  }
  *out = std::move(parsed);
  return true;
}
