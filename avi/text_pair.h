// Pairs of user-visible texts: English and Japanese side by side. Japanese
// literals are UTF-8 in the native build and CP932 in the Windows program.
// Lives with the core, whose refusals carry their reasons in both languages;
// app/texts.h passes it on to the hosts.
#pragma once

struct TextPair {
  const char* english;
  const char* japanese;
};

inline const char* Pick(const TextPair& text, int englishUi) {
  return englishUi ? text.english : text.japanese;
}
