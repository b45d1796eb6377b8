#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

#include <array>

// Scripts read the --json output as text too: its layout is held byte for byte.
TEST(JsonWriter, KeysKeepTheirOrderAndNumbersTheirShortestForm) {
  const std::array<int, 3> candidates{-2, 0, 2};
  JsonValue entry = JsonValue::Object();
  entry.Set("name", JsonValue::Text("MS \"Black\""));
  entry.Set("candidates", JsonValue::Integers(candidates));
  entry.Set("missing", JsonValue::Integers(std::span<const int>{}));
  entry.Set("estimate", JsonValue::Real(-7.0));
  entry.Set("offset", JsonValue::Real(0.1 * 3));
  entry.Set("best", JsonValue::Null());
  entry.Set("outside", JsonValue::Bool(true));
  JsonValue sections = JsonValue::Array();
  sections.Append(std::move(entry));
  JsonValue out = JsonValue::Object();
  out.Set("sections", std::move(sections));
  out.Set("messages", JsonValue::Texts({"Ready to print."}));
  EXPECT_EQ(out.Layout(),
            "{\n"
            "  \"sections\": [\n"
            "    {\n"
            "      \"name\": \"MS \\\"Black\\\"\",\n"
            "      \"candidates\": [\n"
            "        -2,\n"
            "        0,\n"
            "        2\n"
            "      ],\n"
            "      \"missing\": [],\n"
            "      \"estimate\": -7.0,\n"
            "      \"offset\": 0.30000000000000004,\n"
            "      \"best\": null,\n"
            "      \"outside\": true\n"
            "    }\n"
            "  ],\n"
            "  \"messages\": [\n"
            "    \"Ready to print.\"\n"
            "  ]\n"
            "}");
}

TEST(JsonWriter, TextThatIsNoUtf8HasNoJsonForm) {
  JsonValue out = JsonValue::Object();
  out.Set("message", JsonValue::Text("\xff"));
  EXPECT_ANY_THROW(out.Layout());
}
