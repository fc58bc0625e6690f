// tavrin: the command-line front end over the same jobs the Windows program runs.
#include <cstdio>
#include <cstring>

#include "app/version.h"
#include "cli/commands.h"

namespace {

const char kInfoUsage[] = "usage: tavrin info FILE [--layout | --json]\n";
const char kSplitUsage[] =
    "usage: tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
    "                    [--overlap T] [--create both|first|second] [--clone] [--lang en|ja] [--json]\n";
const char kMergeUsage[] =
    "usage: tavrin merge FILE1 FILE2 [--write [--output PATH] [--clone]] [--lang en|ja] [--json]\n";

const char kInfoHelp[] =
    "Shows what FILE holds: playing time, frame rate and count, key-frame spacing, each\n"
    "stream's codec and rate, and whether it can be split or merged (and why not).\n"
    "  --layout    where the headers, index and fields that split and merge use lie\n"
    "  --json      the whole analysis record as one JSON line\n";
const char kSplitHelp[] =
    "Splits FILE into FILE-1.avi and FILE-2.avi beside it (the name's last four characters,\n"
    "such as .avi, replaced), cutting on a video key frame without decoding.\n"
    "  --hours/--minutes/--seconds T   where the first file ends (added together)\n"
    "  --size-mb N                     instead: the first file ends at the last key frame\n"
    "                                  at which it fits in N MB (1,048,576 bytes)\n"
    "  --overlap T                     seconds (0-60) the second file starts before the cut\n"
    "  --create both|first|second      which files to write (default both)\n"
    "  --clone                         share the unchanged data's blocks with FILE where the\n"
    "                                  file system can (XFS, Btrfs): no copy, no new space\n"
    "  --lang en|ja                    the language of the messages\n"
    "  --json                          one JSON line with the result, message and outputs\n"
    "Outputs are written under a temporary name and moved into place when complete;\n"
    "Ctrl-C cancels and leaves every earlier file as it was.\n";
const char kMergeHelp[] =
    "Checks that FILE1 and FILE2 have the same structure, finds the overlap a split left\n"
    "between them and reports the joined file's size and playing time.\n"
    "  --write          also write the joined file (FILE1's name with -m.avi)\n"
    "  --output PATH    write it to PATH instead\n"
    "  --clone          share the unchanged data's blocks with the inputs where the file\n"
    "                   system can (XFS, Btrfs): no copy, no new space\n"
    "  --lang en|ja     the language of the messages\n"
    "  --json           one JSON line with the result, message and outputs\n";

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "%s%s%s", kInfoUsage, kSplitUsage, kMergeUsage);
  std::fputs("       tavrin COMMAND --help | tavrin --version\n", to);
}

bool AsksForHelp(const char* word) {
  return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0 || std::strcmp(word, "help") == 0;
}

// Help on one command; false for a command that does not exist.
bool PrintCommandHelp(const char* command) {
  const char* usage = nullptr;
  const char* help = nullptr;
  if (std::strcmp(command, "info") == 0) usage = kInfoUsage, help = kInfoHelp;
  if (std::strcmp(command, "split") == 0) usage = kSplitUsage, help = kSplitHelp;
  if (std::strcmp(command, "merge") == 0) usage = kMergeUsage, help = kMergeHelp;
  if (!usage) return false;
  std::fputs(usage, stdout);
  std::fputs(help, stdout);
  return true;
}

}  // namespace

bool PathUsableWhole(const char* path) { return std::strlen(path) <= 259; }

std::string PathTooLong(const char* path) {
  return "'" + std::string(path) + "' is " + std::to_string(std::strlen(path)) +
         " bytes long; paths of at most 259 bytes can be used";
}

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "--version") == 0 || std::strcmp(command, "version") == 0) {
    std::printf("tavrin %s\n", TAVRIN_VERSION_TEXT);
    return 0;
  }
  if (AsksForHelp(command)) {
    if (argc >= 3) return PrintCommandHelp(argv[2]) ? 0 : (PrintUsage(stderr), 2);
    PrintUsage(stdout);
    return 0;
  }
  if (argc >= 3 && (std::strcmp(argv[2], "--help") == 0 || std::strcmp(argv[2], "-h") == 0) &&
      PrintCommandHelp(command))
    return 0;
  if (std::strcmp(command, "info") == 0) return RunInfo(argc - 2, argv + 2);
  if (std::strcmp(command, "split") == 0) return RunSplit(argc - 2, argv + 2);
  if (std::strcmp(command, "merge") == 0) return RunMerge(argc - 2, argv + 2);
  std::fprintf(stderr, "tavrin: unknown command '%s'\n", command);
  PrintUsage(stderr);
  return 2;
}
