// JSON text for the command line: one writer, one spacing for every command
// ({"result": 0, "message": "Completed", "outputs": ["a.avi", "b.avi"]}),
// members in the order they are added, one object a line.
//
//   JsonObject out;
//   out.Int("result", 0).String("message", text).Array("outputs", names);
//   out.Print(stdout);
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class JsonArray;

class JsonObject {
 public:
  template <class Integer>
  JsonObject& Int(const char* key, Integer value) { return Raw(key, std::to_string(value)); }
  JsonObject& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
  JsonObject& Null(const char* key) { return Raw(key, "null"); }
  JsonObject& String(const char* key, const std::string& text);
  // A number rounded to at most `decimals` places (JsonFixed): times.
  JsonObject& Fixed(const char* key, double value, int decimals);
  // A number as exact as a double holds (JsonDouble).
  JsonObject& Double(const char* key, double value);
  JsonObject& Object(const char* key, const JsonObject& value) { return Raw(key, value.Text()); }
  JsonObject& Array(const char* key, const JsonArray& value);
  // A list of strings.
  JsonObject& Array(const char* key, const std::vector<std::string>& texts);
  // `json` is JSON text already.
  JsonObject& Raw(const char* key, const std::string& json);

  std::string Text() const { return "{" + members_ + "}"; }
  // The object and a line end; while a JsonCapture lives, its members go
  // to it instead.
  void Print(std::FILE* to) const;

 private:
  std::string members_;
};

// While it lives, each object printed is kept (as its members' text) rather
// than written: `tavrin batch --json` puts a job's own fields on its line.
class JsonCapture {
 public:
  JsonCapture();
  ~JsonCapture();
  JsonCapture(const JsonCapture&) = delete;
  JsonCapture& operator=(const JsonCapture&) = delete;
  std::vector<std::string> members;  // one entry per object printed
};

class JsonArray {
 public:
  JsonArray& Add(const JsonObject& value) { return Raw(value.Text()); }
  JsonArray& String(const std::string& text);
  JsonArray& Raw(const std::string& json);
  std::string Text() const { return "[" + items_ + "]"; }

 private:
  std::string items_;
};

// A JSON string literal for text: UTF-8 passes through, control bytes are
// escaped, and every byte that is not part of valid UTF-8 becomes U+FFFD, so
// the result is valid JSON whatever bytes text holds.
std::string JsonString(const std::string& text);
// A JSON number for a double, always with a fraction or exponent ("29.0").
std::string JsonDouble(double value);
// A JSON number rounded to at most decimals places, trailing zeros dropped
// ("8.333333", "10.0"): for times that are exact to the microsecond.
std::string JsonFixed(double value, int decimals);
