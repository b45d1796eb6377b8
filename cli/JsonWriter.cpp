// The one file that includes the JSON library: its header takes long to compile.
#include "cli/JsonWriter.h"

#include <nlohmann/json.hpp>

#include <utility>

struct JsonValue::Data {
  nlohmann::ordered_json Json;
};

namespace {

constexpr int IndentSpaces = 2;

}  // namespace

JsonValue::JsonValue(std::unique_ptr<Data> data) : Value(std::move(data)) {}
JsonValue::JsonValue(JsonValue&& other) noexcept = default;
JsonValue& JsonValue::operator=(JsonValue&& other) noexcept = default;
JsonValue::~JsonValue() = default;

JsonValue JsonValue::Object() { return JsonValue(std::make_unique<Data>(Data{nlohmann::ordered_json::object()})); }
JsonValue JsonValue::Array() { return JsonValue(std::make_unique<Data>(Data{nlohmann::ordered_json::array()})); }
JsonValue JsonValue::Null() { return JsonValue(std::make_unique<Data>(Data{nullptr})); }
JsonValue JsonValue::Bool(bool value) { return JsonValue(std::make_unique<Data>(Data{value})); }
JsonValue JsonValue::Integer(int64_t value) { return JsonValue(std::make_unique<Data>(Data{value})); }
JsonValue JsonValue::Real(double value) { return JsonValue(std::make_unique<Data>(Data{value})); }
JsonValue JsonValue::Text(const std::string& text) { return JsonValue(std::make_unique<Data>(Data{text})); }

JsonValue JsonValue::Integers(std::span<const int> values) {
  JsonValue array = Array();
  for (int value : values) array.Value->Json.push_back(value);
  return array;
}

JsonValue JsonValue::Texts(const std::vector<std::string>& texts) {
  return JsonValue(std::make_unique<Data>(Data{nlohmann::ordered_json(texts)}));
}

JsonValue& JsonValue::Set(const std::string& key, JsonValue value) {
  Value->Json[key] = std::move(value.Value->Json);
  return *this;
}

JsonValue& JsonValue::Append(JsonValue value) {
  Value->Json.push_back(std::move(value.Value->Json));
  return *this;
}

std::string JsonValue::Layout() const { return Value->Json.dump(IndentSpaces); }
