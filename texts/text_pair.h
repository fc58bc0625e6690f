// Pairs of user-visible texts: English and Japanese side by side, UTF-8 in
// every build. The core's texts all sit in this room (texts/*_texts.h), the
// jobs name them; each host turns them into what its output needs (the
// window into UTF-16 at each call of Windows, the command line prints them
// as they are). app/texts.h passes the pair on to the hosts.
#pragma once
#include <initializer_list>
#include <string>

struct TextPair {
  const char* english;
  const char* japanese;
};

inline const char* Pick(const TextPair& text, int englishUi) {
  return englishUi ? text.english : text.japanese;
}

// A text with its places {1}, {2}, ... filled with values[0], values[1], ...
// (a place may come more than once, in any order: the two languages order
// their words differently). Other braces stay as they are.
std::string Fill(const char* pattern, std::initializer_list<std::string> values);
