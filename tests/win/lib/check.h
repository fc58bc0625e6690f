// The checks every Windows test program uses: named cases, failed checks
// printed with their values, a watchdog, waiting for a condition, and the
// language the runner chose (tests/wine/run.sh: TAVRIN_TEST_LANGUAGE en or
// ja with the matching locale), so that one program checks either language.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace wt {

inline std::atomic<int> failures{0};
inline const char* currentCase = "";

// Any integer, whatever its width (size_t is 32 bits on i686, 64 on x86-64).
template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
std::string Show(T v) {
  return std::to_string(v);
}
inline std::string Show(bool v) { return v ? "true" : "false"; }
inline std::string Show(const std::string& v) { return "\"" + v + "\""; }
inline std::string Show(const char* v) { return Show(std::string(v ? v : "(null)")); }
inline std::string Show(const std::wstring& v) {
  std::string out = "L\"";
  for (wchar_t c : v) {
    if (c >= 0x20 && c < 0x7F) {
      out += char(c);
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\u%04X", unsigned(c));
      out += hex;
    }
  }
  return out + "\"";
}
inline std::string Show(const wchar_t* v) { return Show(std::wstring(v ? v : L"(null)")); }

inline bool Check(bool ok, const std::string& what, const char* file, int line) {
  if (!ok) {
    std::printf("FAIL [%s] %s:%d: %s\n", currentCase, file, line, what.c_str());
    std::fflush(stdout);
    failures++;
  }
  return ok;
}

#define WT_CHECK(cond) ::wt::Check((cond), #cond, __FILE__, __LINE__)
// Each side is evaluated once (some of them act: answer a box, read a log).
// wt::Show is looked up where the check stands, so a header may add more.
#define WT_CHECK_EQ(got, want)                                                                                     \
  [&] {                                                                                                            \
    const auto& got_ = (got);                                                                                      \
    const auto& want_ = (want);                                                                                    \
    return ::wt::Check(got_ == want_,                                                                              \
                       std::string(#got " == " #want ": got ") + ::wt::Show(got_) + ", want " + ::wt::Show(want_), \
                       __FILE__, __LINE__);                                                                        \
  }()

// ---- languages ------------------------------------------------------------

// The language of this run as the runner set it.
inline bool Japanese() {
  const char* language = std::getenv("TAVRIN_TEST_LANGUAGE");
  return language && std::string(language) == "ja";
}
// The text of this run's language.
template <class Text>
Text Lang(Text english, Text japanese) {
  return Japanese() ? japanese : english;
}
inline std::wstring Lang(const wchar_t* english, const wchar_t* japanese) { return Japanese() ? japanese : english; }

enum Languages { kBoth, kEnglishOnly, kJapaneseOnly };

// Starts a case; false when it does not belong to this run's language (the
// caller skips its block). Cases whose checks do not depend on the language
// run in English only.
inline bool Case(const char* name, Languages languages = kBoth) {
  if ((languages == kEnglishOnly && Japanese()) || (languages == kJapaneseOnly && !Japanese())) return false;
  currentCase = name;
  std::printf("-- %s\n", name);
  std::fflush(stdout);
  return true;
}

inline int Summary() {
  if (failures == 0) {
    std::printf("all checks passed\n");
    return 0;
  }
  std::printf("%d check(s) failed\n", failures.load());
  return 1;
}

inline DWORD WINAPI WatchdogThread(void* limit) {
  const DWORD milliseconds = DWORD(reinterpret_cast<uintptr_t>(limit));
  Sleep(milliseconds);
  std::printf("FAIL [%s] watchdog: still running after %lu ms\n", currentCase, milliseconds);
  std::fflush(stdout);
  ExitProcess(3);
}

// Begins a test program: a watchdog that ends it if a window never closes
// (keep it below the runner's limit), and a check that Wine gives the run
// the language the runner asked for (Japanese: language 1041, code page 932,
// which the CP932 texts of the checks rely on). False when it does not.
inline bool Begin(DWORD watchdogMilliseconds) {
  CreateThread(nullptr, 0, WatchdogThread, reinterpret_cast<void*>(uintptr_t(watchdogMilliseconds)), 0, nullptr);
  Case("the run's language");
  const bool japaneseSystem = GetUserDefaultLangID() == 1041 && GetACP() == 932;
  return Check(japaneseSystem == Japanese(),
               std::string("asked for ") + (Japanese() ? "Japanese" : "English") + ", Wine gives language " +
                   std::to_string(GetUserDefaultLangID()) + ", code page " + std::to_string(GetACP()),
               __FILE__, __LINE__);
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = 10000) {
  for (DWORD waited = 0;; waited += 10) {
    if (condition()) return true;
    if (waited >= milliseconds) return false;
    Sleep(10);
  }
}

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace wt
