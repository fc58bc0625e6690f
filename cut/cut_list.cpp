// Reading cut lists (cut/cut_list.h). A list is read line by line; the
// first wrong line stops it with its number and what is wrong.
#include "cut/cut_list.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/file_system.h"
#include "texts/cut_texts.h"

namespace {

// Lists are short; a longer file is not one.
constexpr size_t kMostListBytes = 16u << 20;

std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") + 1 - a);
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t a = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > a) words.push_back(line.substr(a, i - a));
  }
  return words;
}

bool EndsWith(const std::string& name, const char* ext) {
  const size_t n = std::strlen(ext);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != ext[i]) return false;
  return true;
}

bool WholeNumber(const std::string& s, uint64_t* value) {
  if (s.empty() || s.size() > 18) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + uint64_t(c - '0');
  }
  *value = v;
  return true;
}

class LineError {
 public:
  LineError(ListError* error, uint32_t line) : error_(error), line_(line) {}
  bool operator()(const std::string& english, const std::string& japanese) const {
    error_->line = line_;
    error_->english = english;
    error_->japanese = japanese;
    return false;
  }
  bool operator()(const TextPair& text) const { return (*this)(text.english, text.japanese); }
  // A time that is not one: which, and why.
  bool Time(const TextPair& which, const std::string& text, TimeTextProblem problem) const {
    return Time(which.english, which.japanese, text, problem);
  }
  bool Time(const char* which, const char* whichJa, const std::string& text, TimeTextProblem problem) const {
    const TextPair& why = TimeTextProblemText(problem);
    return (*this)(Fill(texts::kCutListNoTime.english, {which, text, why.english}),
                   Fill(texts::kCutListNoTime.japanese, {whichJa, text, why.japanese}));
  }

 private:
  ListError* error_;
  uint32_t line_;
};

bool ReadTime(const std::string& text, ExactTime* t, const LineError& fail, const TextPair& which) {
  TimeTextProblem problem = TimeTextProblem::kNone;
  if (ParseClockTime(text.c_str(), t, &problem)) return true;
  return fail.Time(which, text, problem);
}

// The lines of text, without their line ends; a first line's UTF-8 byte order mark dropped.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

bool LooksLikeEdl(const std::vector<std::string>& lines) {
  bool any = false;
  for (const std::string& line : lines) {
    const std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    uint64_t action = 0;
    ExactTime t;
    if (w.size() != 3 || !WholeNumber(w[2], &action) || !ParseClockTime(w[0].c_str(), &t) ||
        !ParseClockTime(w[1].c_str(), &t))
      return false;
    any = true;
  }
  return any;
}

AskedRange TimeRange(const ExactTime& a, const ExactTime& b, bool hasEnd, const std::string& text, uint32_t line) {
  AskedRange r;
  r.start = RangeBound::Time(a);
  if (hasEnd) r.end = RangeBound::Time(b);
  r.text = text;
  r.line = line;
  return r;
}

bool ParseEdl(const std::vector<std::string>& lines, CutList* list, ListError* error) {
  for (size_t n = 0; n < lines.size(); ++n) {
    const LineError fail(error, uint32_t(n + 1));
    const std::string line = Trim(lines[n]);
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> w = Words(line);
    uint64_t action = 0;
    if (w.size() != 3 || !WholeNumber(w[2], &action))
      return fail(texts::kCutListNotEdlLine);
    ExactTime a, b;
    if (!ReadTime(w[0], &a, fail, texts::kCutListStartUpper) || !ReadTime(w[1], &b, fail, texts::kCutListEndUpper)) return false;
    if (!(a < b)) return fail(texts::kCutListEndNotAfterStart);
    if (action != 0 && action != 3) continue;  // muted or marked, not cut: kept
    list->ranges.push_back(TimeRange(a, b, true, w[0] + "-" + w[1], uint32_t(n + 1)));
  }
  list->dropped = true;
  return true;
}

bool ParseComskip(const std::vector<std::string>& lines, CutList* list, ListError* error) {
  // "FILE PROCESSING COMPLETE  53999 FRAMES AT  2997": the rate x 100 is the
  // number after "AT" (written by comskip; absent in some versions).
  const std::vector<std::string> head = Words(lines[0]);
  for (size_t i = 0; i + 1 < head.size(); ++i) {
    uint64_t rate = 0;
    if (head[i] == "AT" && WholeNumber(head[i + 1], &rate) && rate <= 0xFFFFFFFFu) list->rateTimes100 = uint32_t(rate);
  }
  for (size_t n = 1; n < lines.size(); ++n) {
    const LineError fail(error, uint32_t(n + 1));
    const std::string line = Trim(lines[n]);
    if (line.empty()) continue;
    if (n == 1 && line.find_first_not_of('-') == std::string::npos) continue;  // the line of dashes
    const std::vector<std::string> w = Words(line);
    uint64_t a = 0, b = 0;
    if (w.size() != 2 || !WholeNumber(w[0], &a) || !WholeNumber(w[1], &b))
      return fail(texts::kCutListNotFrameLine);
    if (b <= a) return fail(texts::kCutListEndFrameNotAfterStart);
    AskedRange r;
    r.start = RangeBound::Frame(a);
    r.end = RangeBound::Frame(b);
    r.text = "frames " + w[0] + "-" + w[1];
    r.line = uint32_t(n + 1);
    list->ranges.push_back(r);
  }
  list->dropped = true;
  return true;
}

// The fields of a CSV line: commas separate, a field in double quotes may
// hold commas and "" for a quote. False for an unclosed quote.
bool CsvFields(const std::string& line, std::vector<std::string>* fields) {
  fields->assign(1, "");
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields->back() += '"', ++i;
      else if (c == '"') quoted = false;
      else fields->back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields->push_back("");
    } else {
      fields->back() += c;
    }
  }
  return !quoted;
}

bool ParseCsv(const std::vector<std::string>& lines, CutList* list, ListError* error) {
  for (size_t n = 0; n < lines.size(); ++n) {
    const LineError fail(error, uint32_t(n + 1));
    if (Trim(lines[n]).empty()) continue;
    std::vector<std::string> f;
    if (!CsvFields(lines[n], &f)) return fail(texts::kCutListQuoteOpen);
    if (f.size() < 2 || f.size() > 3)
      return fail(texts::kCutListNotCsvLine);
    const std::string start = Trim(f[0]), end = Trim(f[1]);
    ExactTime a, b;
    if (!start.empty() && !ReadTime(start, &a, fail, texts::kCutListStartLower)) return false;
    if (!end.empty() && !ReadTime(end, &b, fail, texts::kCutListEndLower)) return false;
    if (!end.empty() && !(a < b)) return fail(texts::kCutListEndNotAfterStart);
    AskedRange r = TimeRange(a, b, !end.empty(), start + "-" + end, uint32_t(n + 1));
    if (start.empty()) r.start = RangeBound();
    list->ranges.push_back(r);
  }
  return true;
}

bool ParsePlain(const std::vector<std::string>& lines, CutList* list, ListError* error) {
  for (size_t n = 0; n < lines.size(); ++n) {
    const LineError fail(error, uint32_t(n + 1));
    const std::string line = Trim(lines[n].substr(0, lines[n].find('#')));
    if (line.empty()) continue;
    AskedRange r;
    RangeProblem problem;
    TimeTextProblem time;
    if (!ParseRange(line, &r, &problem, &time)) {
      switch (problem) {
        case RangeProblem::BadStart: return fail.Time(texts::kCutListStartUpper, Trim(line.substr(0, line.find('-'))), time);
        case RangeProblem::BadEnd: return fail.Time(texts::kCutListEndUpper, Trim(line.substr(line.find('-') + 1)), time);
        case RangeProblem::EndNotAfterStart: return fail(texts::kCutListEndNotAfterStart);
        default: return fail(texts::kCutListNotRange);
      }
    }
    r.line = uint32_t(n + 1);
    list->ranges.push_back(r);
  }
  return true;
}

}  // namespace

const char* ListFormatName(ListFormat format) {
  switch (format) {
    case ListFormat::Edl: return "edl";
    case ListFormat::Comskip: return "comskip";
    case ListFormat::Csv: return "csv";
    case ListFormat::Plain: break;
  }
  return "plain";
}

bool ParseCutList(const std::string& name, const std::string& text, CutList* list, ListError* error) {
  *list = CutList();
  *error = ListError();
  const std::vector<std::string> lines = Lines(text);
  if (!lines.empty() && lines[0].compare(0, 24, "FILE PROCESSING COMPLETE") == 0) {
    list->format = ListFormat::Comskip;
    return ParseComskip(lines, list, error);
  }
  if (EndsWith(name, ".edl") || (!EndsWith(name, ".csv") && LooksLikeEdl(lines))) {
    list->format = ListFormat::Edl;
    return ParseEdl(lines, list, error);
  }
  if (EndsWith(name, ".csv")) {
    list->format = ListFormat::Csv;
    return ParseCsv(lines, list, error);
  }
  return ParsePlain(lines, list, error);
}

bool ReadCutList(const std::string& path, CutList* list, ListError* error) {
  *error = ListError();
  std::FILE* file = filesys::OpenStdio(path, "rb");
  if (!file) {
    error->unreadable = true;
    error->reason = std::strerror(errno);
    return false;
  }
  std::string text;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() <= kMostListBytes)
    text.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || text.size() > kMostListBytes) {
    error->unreadable = true;
    error->reason = failed ? "read error" : "larger than 16 MB: no cut list";
    return false;
  }
  return ParseCutList(path, text, list, error);
}
