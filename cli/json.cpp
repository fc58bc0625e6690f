#include "cli/json.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Length of the valid UTF-8 sequence at p (at most `left` bytes), or 0.
size_t Utf8Length(const unsigned char* p, size_t left) {
  const unsigned char c = p[0];
  size_t n;
  uint32_t min;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (left < n) return 0;
  uint32_t code = c & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

// Between members and between items, and between a key and its value.
constexpr const char* kSeparator = ", ";
constexpr const char* kColon = ": ";

}  // namespace

JsonObject& JsonObject::Raw(const char* key, const std::string& json) {
  if (!members_.empty()) members_ += kSeparator;
  members_ += JsonString(key) + kColon + json;
  return *this;
}

JsonObject& JsonObject::String(const char* key, const std::string& text) { return Raw(key, JsonString(text)); }

JsonObject& JsonObject::Fixed(const char* key, double value, int decimals) {
  return Raw(key, JsonFixed(value, decimals));
}

JsonObject& JsonObject::Double(const char* key, double value) { return Raw(key, JsonDouble(value)); }

JsonObject& JsonObject::Array(const char* key, const JsonArray& value) { return Raw(key, value.Text()); }

JsonObject& JsonObject::Array(const char* key, const std::vector<std::string>& texts) {
  JsonArray array;
  for (const std::string& text : texts) array.String(text);
  return Array(key, array);
}

namespace {
JsonCapture* g_jsonCapture = nullptr;
}  // namespace

JsonCapture::JsonCapture() { g_jsonCapture = this; }
JsonCapture::~JsonCapture() { g_jsonCapture = nullptr; }

void JsonObject::Print(std::FILE* to) const {
  if (g_jsonCapture) return g_jsonCapture->members.push_back(members_);
  const std::string line = Text() + "\n";
  std::fputs(line.c_str(), to);
}

JsonArray& JsonArray::String(const std::string& text) { return Raw(JsonString(text)); }

JsonArray& JsonArray::Raw(const std::string& json) {
  if (!items_.empty()) items_ += kSeparator;
  items_ += json;
  return *this;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  for (size_t i = 0; i < size;) {
    const unsigned char c = p[i];
    switch (c) {
      case '"': out += "\\\""; ++i; continue;
      case '\\': out += "\\\\"; ++i; continue;
      case '\n': out += "\\n"; ++i; continue;
      case '\r': out += "\\r"; ++i; continue;
      case '\t': out += "\\t"; ++i; continue;
      default: break;
    }
    if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
      continue;
    }
    const size_t n = Utf8Length(p + i, size - i);
    if (n == 0) {
      out += "\\ufffd";  // a byte that is no UTF-8: JSON text must be Unicode
      ++i;
      continue;
    }
    out.append(text, i, n);
    i += n;
  }
  return out + "\"";
}

std::string JsonDouble(double value) {
  if (!std::isfinite(value)) return "null";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  if (!std::strpbrk(buf, ".eE")) std::strcat(buf, ".0");
  return buf;
}

std::string JsonFixed(double value, int decimals) {
  if (!std::isfinite(value)) return "null";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string out = buf;
  if (out.find('.') == std::string::npos) return out + ".0";
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out += '0';
  return out == "-0.0" ? "0.0" : out;
}
