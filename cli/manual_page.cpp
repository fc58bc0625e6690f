// The manual page from the table of commands: the synopsis of every command,
// then per command its synopsis and its --help text, where an option line
// ("  --name VALUE   what it does", continuation lines indented further)
// becomes a tagged paragraph and the other lines running text.
#include "cli/manual_page.h"

#include <sstream>

#include "app/version.h"
#include "cli/command_table.h"

namespace {

// Text as roff reads it literally: backslashes and minus signs escaped (so
// that options come out as typed), a line never taken for a request.
std::string Roff(const std::string& text) {
  std::string out = text.empty() || (text[0] != '.' && text[0] != '\'') ? "" : "\\&";
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

// An option's tag: the names bold, the values in italics.
std::string Tag(const std::string& tag) {
  std::istringstream words(tag);
  std::string word, out;
  while (words >> word)
    out += (out.empty() ? "" : " ") + std::string(word[0] == '-' ? "\\fB" : "\\fI") + Roff(word) + "\\fR";
  return out;
}

// A block of lines as they stand.
void Verbatim(std::string& page, const std::string& lines) {
  page += ".nf\n";
  std::istringstream in(lines);
  for (std::string line; std::getline(in, line);) page += Roff(line) + "\n";
  page += ".fi\n";
}

void Help(std::string& page, const char* help) {
  std::istringstream in(help);
  bool inOption = false;
  page += ".PP\n";
  for (std::string line; std::getline(in, line);) {
    const size_t text = line.find_first_not_of(' ');
    if (text == std::string::npos) continue;
    if (text == 2 && line[2] == '-') {
      const size_t gap = line.find("  ", 2);
      page += ".TP\n" + Tag(line.substr(2, gap == std::string::npos ? std::string::npos : gap - 2)) + "\n";
      const size_t what = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
      if (what != std::string::npos) page += Roff(line.substr(what)) + "\n";
      inOption = true;
    } else if (text > 2 && inOption) {
      page += Roff(line.substr(text)) + "\n";
    } else {
      if (inOption) page += ".PP\n";
      page += Roff(line.substr(text)) + "\n";
      inOption = false;
    }
  }
}

}  // namespace

std::string ManualPage() {
  std::string page = std::string(".\\\" Made by tavrin --man from the program's table of commands.\n") +
                     ".TH TAVRIN 1 \"\" \"tavrin " + TAVRIN_VERSION_TEXT + "\" \"User Commands\"\n";
  page += ".nh\n.ad l\n.SH NAME\ntavrin \\- " + Roff(kProgramSummary) + "\n";
  page += ".SH SYNOPSIS\n";
  std::string synopsis;
  for (const Command& command : Commands()) synopsis += std::string(command.synopsis) + "\n";
  Verbatim(page, synopsis + kHelpSynopsis);
  page += ".SH DESCRIPTION\n" + Roff(
      "tavrin splits AVI files, merges and joins them and repairs recordings that ended badly, without "
      "decoding: it cuts on video key frames, carries every chunk over unchanged and rebuilds the index. "
      "It reads AVI 1.0 and OpenDML (AVI 2.0) files of any size. Outputs are written under a temporary "
      "name and moved into place when complete; inputs are never written. Ctrl-C cancels and leaves "
      "every earlier file as it was. The commands:") + "\n";
  for (const Command& command : Commands())
    page += ".TP\n.B " + std::string(command.name) + "\n" + Roff(command.summary) + "\n";
  page += ".SH COMMANDS\n";
  for (const Command& command : Commands()) {
    page += ".SS " + std::string(command.name) + "\n";
    Verbatim(page, command.synopsis);
    Help(page, command.help);
  }
  page += ".SH OUTPUT\n" + Roff(
      "The messages are those the Windows program shows (--lang en or ja), without its advice that fits "
      "Windows only. With --json a command prints one JSON object on one line instead: \"result\" (the "
      "number the Windows program reports), \"message\", \"outputs\" and the command's figures. For join, "
      "the merge of three or more files, repair, cut, extract, streams, dub and shift the result means the "
      "same for every command: 0 done, -1 cancelled, 1 an input cannot be opened, 2 an input is no AVI "
      "file, 3 its headers cannot be read, 4 its OpenDML indexes cannot be read, 5 it is cut short or its "
      "index is missing or broken, 6 the output would replace an input, 7 the output's name would be too "
      "long, 8 an output cannot be written, 9 an output would be too large, 10 an input could not be read, "
      "11 an input changed while it was read, 12 no such stream, 13 kept and dropped together, 14 nothing "
      "would be kept; from 20 on each command's own. A "
      "failure also names the file and the system's reason on standard error. A progress bar is drawn "
      "on standard error when it is a terminal.") + "\n";
  page += ".SH EXIT STATUS\n.TP\n.B 0\nsuccess\n.TP\n.B 1\nrefused, failed or cancelled\n"
          ".TP\n.B 2\nusage error\n";
  return page;
}
