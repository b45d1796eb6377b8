// The --json output: values built up by the commands and laid out as scripts have always read
// them, two spaces an indent and an object's keys in the order they were set.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class JsonValue {
public:
  static JsonValue Object();
  static JsonValue Array();
  static JsonValue Null();
  static JsonValue Bool(bool value);
  static JsonValue Integer(int64_t value);
  // Written in the fewest digits that read back as the same double.
  static JsonValue Real(double value);
  static JsonValue Text(const std::string& text);
  static JsonValue Integers(std::span<const int> values);
  static JsonValue Texts(const std::vector<std::string>& texts);

  JsonValue(JsonValue&& other) noexcept;
  JsonValue& operator=(JsonValue&& other) noexcept;
  ~JsonValue();

  // Adds a key to an object, after those set before.
  JsonValue& Set(const std::string& key, JsonValue value);
  // Adds an element to the end of an array.
  JsonValue& Append(JsonValue value);
  // The whole value as text, without a final line end. Throws (a std::exception) on text that is
  // not UTF-8: such a value has no JSON form.
  std::string Layout() const;

private:
  struct Data;
  explicit JsonValue(std::unique_ptr<Data> data);
  std::unique_ptr<Data> Value;
};
