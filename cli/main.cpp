// tavrin: the command-line front end over the same jobs the Windows program runs.
#include <cstdio>
#include <cstring>

#include "app/version.h"
#include "cli/commands.h"
#include "cli/console.h"

namespace {

const char kInfoUsage[] = "usage: tavrin info FILE [--layout | --json]\n";
const char kSplitUsage[] =
    "usage: tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
    "                    [--overlap T] [--create both|first|second] [--clone] [--lang en|ja] [--json]\n"
    "       tavrin split FILE --every T | --size-mb N --all [--overlap T] [--clone] [--lang en|ja] [--json]\n";
const char kMergeUsage[] =
    "usage: tavrin merge FILE1 FILE2 [FILE...] [--write [--output PATH] [--clone]] [--lang en|ja] [--json]\n";
const char kJoinUsage[] = "usage: tavrin join FILE1 FILE2 [FILE...] [--output PATH] [--clone] [--lang en|ja] [--json]\n";
const char kRepairUsage[] = "usage: tavrin repair FILE [--output PATH] [--clone] [--lang en|ja] [--json]\n";
const char kKeyframesUsage[] = "usage: tavrin keyframes FILE [--json]\n";

const char kInfoHelp[] =
    "Shows what FILE holds: playing time, frame rate and count, key-frame spacing, each\n"
    "stream's codec and rate, and whether it can be split or merged (and why not).\n"
    "Each key frame itself: tavrin keyframes FILE.\n"
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
    "Into as many pieces as it takes, FILE-1.avi, FILE-2.avi, ... FILE-k.avi, each cut\n"
    "on a key frame as above:\n"
    "  --every T                       a piece every T seconds: each ends at the first key\n"
    "                                  frame at or after the next multiple of T\n"
    "  --size-mb N --all               every piece fits in N MB: each ends at the last key\n"
    "                                  frame at which it still fits\n"
    "  --overlap T                     seconds (0-60) each piece starts before the previous ends\n"
    "Outputs are written under a temporary name and moved into place when complete (all\n"
    "pieces at once); Ctrl-C cancels and leaves every earlier file as it was.\n";
const char kMergeHelp[] =
    "Checks that FILE1 and FILE2 have the same structure, finds the overlap a split left\n"
    "between them and reports the joined file's size and playing time.\n"
    "With three or more files (the pieces of one recording, in order), checks that they\n"
    "are of one format (as join does), finds and drops the overlap at every seam and\n"
    "reports the joined file and each seam's overlap.\n"
    "  --write          also write the joined file (FILE1's name with -m.avi, the\n"
    "                   name's last four characters or a final -1.avi replaced)\n"
    "  --output PATH    write it to PATH instead\n"
    "  --clone          share the unchanged data's blocks with the inputs where the file\n"
    "                   system can (XFS, Btrfs): no copy, no new space\n"
    "  --lang en|ja     the language of the messages\n"
    "  --json           one JSON line with the result, message and outputs\n";
const char kJoinHelp[] =
    "Joins files of one format one after the other into one file, every chunk of every\n"
    "file unchanged and in order (the header is FILE1's with its counts made true).\n"
    "One format: the same streams in the same order, each with the same codec, frame size\n"
    "and bit depth, frame rate, and for sound the same format, channels, sample rate,\n"
    "block align and sample size; files that differ are refused before anything is written.\n"
    "  --output PATH    where the joined file goes (default: FILE1's name with -j.avi in\n"
    "                   place of its extension, or -j2.avi, -j3.avi... when that names an\n"
    "                   input; an output that names an input is refused)\n"
    "  --clone          share the unchanged data's blocks with the inputs where the file\n"
    "                   system can (XFS, Btrfs): no copy, no new space\n"
    "  --lang en|ja     the language of the messages\n"
    "  --json           one JSON line with the result, message, outputs and the joined\n"
    "                   file's bytes, frames and seconds\n"
    "Written under a temporary name and moved into place when complete.\n";

const char kRepairHelp[] =
    "Repairs a recording that ended badly (cut short, without an index or with a broken\n"
    "one): writes FILE-r.avi beside it (a final .avi replaced) holding every whole chunk\n"
    "of FILE's data lists in order, the header with true counts and a rebuilt index.\n"
    "Key flags come from the index entries that survive, else from the video codec.\n"
    "FILE itself is never written. An intact file: \"nothing to repair\", no file.\n"
    "  --output PATH    write the repaired file to PATH instead\n"
    "  --clone          share the kept chunks' blocks with FILE where the file system\n"
    "                   can (XFS, Btrfs): no copy, no new space\n"
    "  --lang en|ja     the language of the messages\n"
    "  --json           one JSON line with the result, message, outputs and figures\n"
    "Exit status: 0 repaired or nothing to repair, 1 refused or failed, 2 usage.\n";

const char kKeyframesHelp[] =
    "Lists the key frames of FILE's (first) video stream, the frames a split can cut at:\n"
    "each one's frame number, time (its number times the header's frame time, exact to\n"
    "the microsecond), offset (where its data lies in FILE, after the chunk header) and\n"
    "size in bytes. Frames are counted as the index lists them, as split counts them.\n"
    "  --json      one JSON line: file, frames, frame_us and key_frames, each with\n"
    "              frame, time_us, seconds, offset and size\n";

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "%s%s%s%s%s%s", kInfoUsage, kKeyframesUsage, kSplitUsage, kMergeUsage, kJoinUsage,
               kRepairUsage);
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
  if (std::strcmp(command, "join") == 0) usage = kJoinUsage, help = kJoinHelp;
  if (std::strcmp(command, "repair") == 0) usage = kRepairUsage, help = kRepairHelp;
  if (std::strcmp(command, "keyframes") == 0) usage = kKeyframesUsage, help = kKeyframesHelp;
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
  PrepareConsole(&argc, &argv);
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
  if (std::strcmp(command, "join") == 0) return RunJoin(argc - 2, argv + 2);
  if (std::strcmp(command, "repair") == 0) return RunRepair(argc - 2, argv + 2);
  if (std::strcmp(command, "keyframes") == 0) return RunKeyframes(argc - 2, argv + 2);
  std::fprintf(stderr, "tavrin: unknown command '%s'\n", command);
  PrintUsage(stderr);
  return 2;
}
