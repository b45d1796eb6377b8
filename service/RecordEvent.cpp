#include "service/RecordEvent.h"

#include <cmath>
#include <cstdio>

namespace {

// The length of the UTF-8 sequence starting at `text[at]`, 0 when it is not a valid one.
size_t Utf8Length(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  else return 0;
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      json += "\\ufffd";
      ++i;
      continue;
    }
    if (length > 1) {
      json.append(text.substr(i, length));
      i += length;
      continue;
    }
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          json += escaped;
        } else {
          json += c;
        }
    }
    ++i;
  }
  return json + "\"";
}

void RecordObject::Name(std::string_view name) {
  if (!Members.empty()) Members += ", ";
  Members += JsonString(name) + ": ";
}

RecordObject& RecordObject::Text(std::string_view name, std::string_view value) {
  Name(name);
  Members += JsonString(value);
  return *this;
}

RecordObject& RecordObject::Number(std::string_view name, int64_t value) {
  Name(name);
  Members += std::to_string(value);
  return *this;
}

RecordObject& RecordObject::Decimal(std::string_view name, double value) {
  if (!std::isfinite(value)) return Unknown(name);
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  Name(name);
  Members += text;
  return *this;
}

RecordObject& RecordObject::Unknown(std::string_view name) {
  Name(name);
  Members += "null";
  return *this;
}

RecordObject& RecordObject::MaybeNumber(std::string_view name, const std::optional<int64_t>& value) {
  return value ? Number(name, *value) : Unknown(name);
}

RecordObject& RecordObject::MaybeText(std::string_view name, const std::optional<std::string>& value) {
  return value ? Text(name, std::string_view(*value)) : Unknown(name);
}

RecordObject& RecordObject::Texts(std::string_view name, const std::vector<std::string>& values) {
  Name(name);
  Members += "[";
  for (size_t i = 0; i < values.size(); ++i) Members += (i == 0 ? "" : ", ") + JsonString(values[i]);
  Members += "]";
  return *this;
}

RecordObject& RecordObject::Numbers(std::string_view name, const std::vector<int>& values) {
  Name(name);
  Members += "[";
  for (size_t i = 0; i < values.size(); ++i) Members += (i == 0 ? "" : ", ") + std::to_string(values[i]);
  Members += "]";
  return *this;
}

RecordObject& RecordObject::Objects(std::string_view name, const std::vector<RecordObject>& values) {
  Name(name);
  Members += "[";
  for (size_t i = 0; i < values.size(); ++i) Members += (i == 0 ? "" : ", ") + values[i].Json();
  Members += "]";
  return *this;
}

std::string RecordObject::Json() const { return "{" + Members + "}"; }

std::string RecordEvent::Line(std::string_view time) const {
  RecordObject head;
  head.Text("time", time).Text("event", KindName);
  const std::string fields = Fields.Json();
  std::string line = head.Json();
  line.pop_back();  // its closing brace: the fields follow
  if (fields.size() > 2) line += ", " + fields.substr(1, fields.size() - 2);
  return line + "}\n";
}
