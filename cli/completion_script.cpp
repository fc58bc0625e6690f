// The bash completion from the table of commands: the commands after
// "tavrin", each command's options (its row's) after "-", an option's
// choices after it (--lang en|ja), and files where a file goes: the
// operands the synopsis names and options' PATH values, folders for DIR. Which names a kind
// of file offers is the table below.
#include "cli/completion_script.h"

#include <cctype>
#include <cstring>

#include "cli/command_table.h"
#include "cli/synopsis.h"

namespace {

// The extensions offered for a kind of file the synopses name (none: any
// file). A word in capitals that is not here is a number or a time.
struct FileKind {
  const char* word;
  std::vector<const char*> extensions;
};
const FileKind kFileKinds[] = {
    {"FILE", {"avi"}},
    {"AUDIO", {"wav", "mp3", "mp2", "ac3"}},
    {"LISTFILE", {"edl", "txt", "csv"}},
    {"LIST", {"edl", "csv"}},  // a list written
    {"PATH", {}},
    {"JOBFILE", {}},
};

const FileKind* KindOf(const std::string& word) {
  for (const FileKind& kind : kFileKinds)
    if (word == kind.word) return &kind;
  return nullptr;
}

// "avi" as a pattern that takes any case: [aA][vV][iI].
std::string AnyCase(const char* extension) {
  std::string pattern;
  for (const char* c = extension; *c; ++c) {
    const char lower = char(std::tolower(static_cast<unsigned char>(*c)));
    const char upper = char(std::toupper(static_cast<unsigned char>(*c)));
    pattern += lower == upper ? std::string(1, *c) : std::string("[") + lower + upper + "]";
  }
  return pattern;
}

// The call that offers files of these kinds (none: nothing to offer).
std::string FilesCall(const std::vector<const FileKind*>& kinds) {
  if (kinds.empty()) return ":";
  std::string call = "_tavrin_files";
  for (const FileKind* kind : kinds) {
    if (kind->extensions.empty()) return "_tavrin_files";
    for (const char* extension : kind->extensions) call += " '" + AnyCase(extension) + "'";
  }
  return call;
}

std::string Words(const std::string& choices) {
  std::string words = choices;
  for (char& c : words)
    if (c == '|') c = ' ';
  return words;
}

// The case arms that answer after an option taking a value.
std::string ValueArms(const Command& command) {
  std::string arms;
  for (const Option& option : command.options) {
    if (!option.value) continue;
    const std::string arm = std::string("    \"") + command.name + " " + option.name + "\") ";
    if (std::strchr(option.value, '|'))
      arms += arm + "COMPREPLY=($(compgen -W \"" + Words(option.value) + "\" -- \"$cur\")) ;;\n";
    else if (std::strcmp(option.value, "DIR") == 0)
      arms += arm + "COMPREPLY=($(compgen -d -- \"$cur\")) ;;\n";  // a folder
    else if (const FileKind* kind = KindOf(option.value))
      arms += arm + FilesCall({kind}) + " ;;\n";
    else
      arms += arm + ";;\n";  // a number or a time: nothing to offer
  }
  return arms;
}

const char kHead[] = R"(# bash completion for tavrin, made by `tavrin --bash-completion` from the
# program's table of commands.

# Offers the files whose names end in .EXT for one of the patterns given
# (any file when none is), and folders to go into.
_tavrin_files() {
  local IFS=$'\n' extension
  compopt -o filenames 2>/dev/null
  if [ $# -eq 0 ]; then
    COMPREPLY=($(compgen -f -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -d -- "$cur"))
  for extension in "$@"; do
    COMPREPLY+=($(compgen -f -X "!*.$extension" -- "$cur"))
  done
}

_tavrin() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} i
  COMPREPLY=()
)";

}  // namespace

std::string BashCompletion() {
  std::string names;
  for (const Command& command : Commands()) names += (names.empty() ? "" : " ") + std::string(command.name);
  std::string script = kHead;
  script += "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
            "    COMPREPLY=($(compgen -W \"" + names + " help --help --version\" -- \"$cur\"))\n"
            "    return 0\n  fi\n";
  script += "  local command=${COMP_WORDS[1]} options files\n  case $command in\n";
  script += "    help|--help|-h)\n      [ \"$COMP_CWORD\" -eq 2 ] && COMPREPLY=($(compgen -W \"" + names +
            "\" -- \"$cur\"))\n      return 0 ;;\n";
  std::string arms;
  for (const Command& command : Commands()) {
    const SynopsisWords words = ReadSynopsis(command.synopsis);
    std::string options;
    for (const Option& option : command.options) options += std::string(option.name) + " ";
    std::vector<const FileKind*> kinds;
    for (const std::string& operand : words.operands)
      if (const FileKind* kind = KindOf(operand)) kinds.push_back(kind);
    script += std::string("    ") + command.name + ") options=\"" + options + "--help\" files=(" +
              FilesCall(kinds) + ") ;;\n";
    arms += ValueArms(command);
  }
  script += "    *) return 0 ;;\n  esac\n";
  script += "  # After \"--\" every word is a file.\n"
            "  for ((i = 2; i < COMP_CWORD; i++)); do\n"
            "    [ \"${COMP_WORDS[i]}\" = -- ] && { \"${files[@]}\"; return 0; }\n"
            "  done\n";
  script += "  case \"$command $prev\" in\n" + arms + "    *)\n";
  script += "      if [[ $cur == -* ]]; then\n"
            "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
            "      else\n"
            "        \"${files[@]}\"\n"
            "      fi ;;\n"
            "  esac\n"
            "  return 0\n}\n"
            "complete -F _tavrin tavrin\n";
  return script;
}
