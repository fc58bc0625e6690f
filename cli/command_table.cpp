// The table of commands (cli/command_table.h) and the program's own usage and help.
#include "cli/command_table.h"

#include <algorithm>
#include <cstring>

#include "cli/usage.h"

const char kHelpSynopsis[] = "tavrin COMMAND --help        tavrin help        tavrin --version";
const char kProgramSummary[] = "split, merge, join and repair AVI files without decoding";

// Each in its cmd_NAME.cpp.
int RunInfo(const Command& self, int argc, char** argv);
int RunSplit(const Command& self, int argc, char** argv);
int RunMerge(const Command& self, int argc, char** argv);
int RunJoin(const Command& self, int argc, char** argv);
int RunRepair(const Command& self, int argc, char** argv);
int RunKeyframes(const Command& self, int argc, char** argv);
int RunCut(const Command& self, int argc, char** argv);
int RunExtract(const Command& self, int argc, char** argv);
int RunStreams(const Command& self, int argc, char** argv);
int RunDub(const Command& self, int argc, char** argv);
int RunShift(const Command& self, int argc, char** argv);
int RunFrame(const Command& self, int argc, char** argv);
int RunDetect(const Command& self, int argc, char** argv);
int RunBatch(const Command& self, int argc, char** argv);

namespace {

// Options that many commands take, alike.
const Option kJson{"--json"};
const Option kClone{"--clone"};
const Option kLang{"--lang", "en|ja"};
const Option kOutput{"--output", "PATH"};
// A field of split's window, passed on as typed (empty too) for the job to judge.
Option Field(const char* name, const char* value) { return {name, value, false, true}; }
// Cut's ranges, each judged by the job, the empty one too.
Option Ranges(const char* name) { return {name, "RANGE", true, true}; }
// Stream numbers, added up (--keep 0,2 --keep 3).
Option Streams(const char* name) { return {name, "N[,N...]", true}; }

// One row per command, in the order help lists them.
const std::vector<Command> kCommands = {
    {"info", RunInfo, "show what a file holds, and whether it can be split or merged",
     "tavrin info FILE [--layout | --json]",
     "Shows what FILE holds: playing time, frame rate and count, key-frame spacing, each\n"
     "stream's codec and rate, and whether it can be split or merged (and why not).\n"
     "Each key frame itself: tavrin keyframes FILE.\n"
     "  --layout    where the headers, index and fields that split and merge use lie\n"
     "  --json      the whole analysis record as one JSON line\n",
     {{"--layout"}, kJson},
     1},
    {"split", RunSplit, "split a file in two at a key frame, or into pieces by time or size",
     "tavrin split FILE [--hours T] [--minutes T] [--seconds T] | [--size-mb N]\n"
     "             [--overlap T] [--create both|first|second] [--output-dir DIR] [--clone]\n"
     "             [--exact] [--lang en|ja] [--json]\n"
     "tavrin split FILE --every T | --size-mb N --all [--overlap T] [--output-dir DIR] [--clone]\n"
     "             [--exact] [--lang en|ja] [--json]",
     "Splits FILE into FILE-1.avi and FILE-2.avi beside it (the name's last four characters,\n"
     "such as .avi, replaced), cutting on a video key frame without decoding.\n"
     "  --hours/--minutes/--seconds T   where the first file ends (added together)\n"
     "  --size-mb N                     instead: the first file ends at the last key frame\n"
     "                                  at which it fits in N MB (1,048,576 bytes)\n"
     "  --overlap T                     seconds (0-60) the second file starts before the cut\n"
     "  --create both|first|second      which files to write (default both)\n"
     "  --output-dir DIR                write the outputs into the folder DIR (which must\n"
     "                                  exist) instead of beside FILE, under the same names\n"
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
     "  --exact                         by time or --every, at the frames asked for: a file\n"
     "                                  ends before frame ceil(T R), the next starts at\n"
     "                                  ceil((T - O) R); the frames up to the next key frame\n"
     "                                  are re-encoded and reported as by tavrin cut\n"
     "Outputs are written under a temporary name (.NAME.PID.tavrin-part beside NAME),\n"
     "flushed to the disk and moved into place when complete (all pieces at once);\n"
     "Ctrl-C cancels and leaves every earlier file as it was, unless the moves have begun:\n"
     "then they all complete and the split succeeds. Files that already have the outputs'\n"
     "names (an earlier split's) are replaced without a question, as scripts expect; the\n"
     "window asks first.\n",
     {Field("--hours", "T"), Field("--minutes", "T"), Field("--seconds", "T"), Field("--size-mb", "N"),
      Field("--overlap", "T"), {"--create", "both|first|second"}, {"--output-dir", "DIR"}, kClone, kLang, kJson,
      Field("--every", "T"), {"--all"}, {"--exact"}},
     1},
    {"merge", RunMerge, "check the parts of a split or the pieces of a recording, and join them",
     "tavrin merge FILE1 FILE2 [FILE...] [--write [--output PATH] [--clone]] [--lang en|ja] [--json]",
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
     "  --json           one JSON line with the result, message and outputs\n",
     {{"--write"}, kOutput, kClone, kLang, kJson},
     -1},
    {"join", RunJoin, "join files of one format one after the other",
     "tavrin join FILE1 FILE2 [FILE...] [--output PATH] [--clone] [--lang en|ja] [--json]",
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
     "Written under a temporary name (.NAME.PID.tavrin-part beside NAME), flushed to the\n"
     "disk and moved into place when complete.\n",
     {kOutput, kClone, kLang, kJson},
     -1},
    {"cut", RunCut, "keep or drop many ranges of a file, into one file or a file per range",
     "tavrin cut FILE --keep RANGE [--keep RANGE...] [--separate] [--exact] [--output PATH]\n"
     "           [--clone] [--lang en|ja] [--json]\n"
     "tavrin cut FILE --drop RANGE [--drop RANGE...] [--separate] [--exact] [--output PATH]\n"
     "           [--clone] [--lang en|ja] [--json]\n"
     "tavrin cut FILE --list LISTFILE [--separate] [--exact] [--output PATH] [--clone]\n"
     "           [--lang en|ja] [--json]",
     "Keeps the ranges named (or all but the ranges named) of FILE, without decoding: into\n"
     "one file, the kept ranges one after the other (FILE's name with -c.avi in place of its\n"
     "extension), or with --separate one file per kept range, FILE-1.avi ... FILE-k.avi.\n"
     "RANGE is START-END, each a time in seconds (95.5) or [H:]M:SS[.fff] (1:02:03.5);\n"
     "START left out: from the start (-0:30); END left out: to the end (58:00-).\n"
     "A kept range [A, B) keeps the frames from the last key frame at or before A up to the\n"
     "first key frame at or after B (exact, at the video's rate): all that was asked for,\n"
     "each output starting on a key frame. A dropped range loses only the whole key-frame\n"
     "groups inside it. Kept ranges that overlap or touch become one (not with --separate).\n"
     "PCM sound is cut inside chunks to the sample, other sound by whole chunks.\n"
     "  --keep RANGE       a range to keep (repeatable)\n"
     "  --drop RANGE       a range to drop (repeatable; does not mix with --keep)\n"
     "  --list LISTFILE    the ranges from a cut list: MPlayer EDL (actions 0 and 3 are\n"
     "                     dropped), comskip's frame list (dropped), CSV start,end[,label]\n"
     "                     in seconds (kept), or plain text, one RANGE a line, # comments\n"
     "                     (kept); the format comes from the content and the extension\n"
     "  --separate         one file per kept range, numbered in the order given\n"
     "  --exact            cut at the frames asked for: [A, B) keeps frames ceil(A R) to\n"
     "                     ceil(B R) - 1; the frames up to the next key frame are re-encoded\n"
     "                     (MPEG-4 Visual, MS-MPEG4 v3; intra-only codecs need none), each seam\n"
     "                     checked by decoding; MP3, AC-3 and other compressed sound start and\n"
     "                     end at the whole frame nearest; JSON adds reencoded_frames, exact,\n"
     "                     lowest_psnr, sound (each end's distance from the picture)\n"
     "  --output PATH      the output (with --separate: the name the files are numbered from)\n"
     "  --clone            share the unchanged data's blocks with FILE where the file system\n"
     "                     can (XFS, Btrfs): no copy, no new space\n"
     "  --lang en|ja       the language of the messages\n"
     "  --json             one JSON line: result, message, outputs, ranges (first_frame,\n"
     "                     frames, start_seconds, seconds, asked), frames, dropped_frames,\n"
     "                     files and, with a list, list_format\n"
     "Written under temporary names, flushed and moved into place when all are complete;\n"
     "Ctrl-C leaves nothing. Exit status: 0 cut, 1 the file cannot be cut, 2 usage.\n",
     {Ranges("--keep"), {"--separate"}, kOutput, kClone, kLang, kJson, Ranges("--drop"), {"--list", "LISTFILE"},
      {"--exact"}},
     1},
    {"extract", RunExtract, "save one stream as a file of its own: the sound as .wav, .mp3, .ac3, .aac ...",
     "tavrin extract FILE --stream N [--output PATH] [--lang en|ja] [--json]",
     "Saves stream N of FILE (the numbers tavrin info shows) as the file any player or\n"
     "editor opens, without decoding, beside FILE as FILE's name with .N.EXT in place of\n"
     "its extension (clip.avi, stream 1: clip.1.wav):\n"
     "  PCM                  .wav with the stream's own format block, RF64 past 4 GiB\n"
     "  MPEG audio           .mp3 (layer 3) or .mp2 (layers 1 and 2), the frames as stored\n"
     "  AC-3, DTS            .ac3, .dts\n"
     "  AAC                  .aac, an ADTS header made for each frame from the stream's\n"
     "                       AudioSpecificConfig\n"
     "  any other, video too a one-stream .avi\n"
     "Chunks of size 0 hold nothing and are left out (not from an .avi).\n"
     "  --stream N       the stream to save\n"
     "  --output PATH    where it goes; an extension of another kind of file than the\n"
     "                   stream makes is refused (.avi takes any stream)\n"
     "  --lang en|ja     the language of the messages\n"
     "  --json           one JSON line: result, message, outputs, bytes, stream, format,\n"
     "                   chunks, empty_chunks, data_bytes and rf64 (a .wav) or opendml\n"
     "Written under a temporary name, flushed and moved into place when complete; Ctrl-C\n"
     "leaves nothing. Exit status: 0 saved, 1 the stream cannot be saved, 2 usage.\n",
     {{"--stream", "N"}, kOutput, kLang, kJson},
     1},
    {"streams", RunStreams, "keep or drop streams of a file: leave a second sound track out",
     "tavrin streams FILE --keep N[,N...] [--output PATH] [--clone] [--lang en|ja] [--json]\n"
     "tavrin streams FILE --drop N[,N...] [--output PATH] [--clone] [--lang en|ja] [--json]",
     "Writes FILE with only the streams kept (or all but those dropped), without decoding:\n"
     "FILE's name with -s.avi in place of its extension. The streams keep FILE's order\n"
     "whatever order they are named in and are numbered 0, 1, ... again; every chunk of\n"
     "a kept stream is kept with its key flag, the header's counts and the index are made\n"
     "true, and a file from 1 GiB is written as OpenDML. Numbers are those tavrin info\n"
     "shows; a choice that leaves no stream is refused.\n"
     "  --keep N[,N...]  the streams to keep (repeatable)\n"
     "  --drop N[,N...]  the streams to drop (repeatable; does not mix with --keep)\n"
     "  --output PATH    where the file goes\n"
     "  --clone          share the unchanged data's blocks with FILE where the file system\n"
     "                   can (XFS, Btrfs): no copy, no new space\n"
     "  --lang en|ja     the language of the messages\n"
     "  --json           one JSON line: result, message, outputs, bytes, kept, dropped,\n"
     "                   chunks and opendml\n"
     "Written under a temporary name, flushed and moved into place when complete; Ctrl-C\n"
     "leaves nothing. Exit status: 0 written, 1 refused or failed, 2 usage.\n",
     {Streams("--keep"), kOutput, kClone, kLang, kJson, Streams("--drop")},
     1},
    {"dub", RunDub, "put the sound of a WAV, MP3/MP2 or AC-3 file into a file, added or in place of a stream",
     "tavrin dub FILE AUDIO [--replace N | --add] [--offset T] [--output PATH] [--lang en|ja] [--json]",
     "Puts the sound of AUDIO into FILE without decoding, written to FILE's name with -d.avi\n"
     "in place of its extension: as a new stream, last (--add; the default when FILE has no\n"
     "sound), or in place of stream N (--replace N; the default when FILE has one sound\n"
     "stream). AUDIO: a WAV of PCM (WAVE_FORMAT_EXTENSIBLE and RF64 too), an MP3 or MP2 of\n"
     "MPEG audio, constant or variable bit rate (an ID3v2 tag and a Xing/LAME header frame\n"
     "left out), or an AC-3 file; what it is comes from its content. The sound goes between\n"
     "the video frames by time (a chunk at least every half second; MPEG audio of variable\n"
     "bit rate one frame a chunk), the video's chunks and flags unchanged. A sound longer\n"
     "than the picture is kept whole.\n"
     "  --replace N      the stream to replace (numbers as tavrin info prints them)\n"
     "  --add            add the sound as a new stream\n"
     "  --offset T       move the sound against the picture by T seconds (0.120, -1.5,\n"
     "                   -0:01.5); positive starts it later. PCM moves by whole samples\n"
     "                   (silence in front, or samples taken off the front), other sound\n"
     "                   by whole frames taken off (negative) or by the stream's start\n"
     "                   (dwStart, positive); the result says what was done and the offset\n"
     "                   reached\n"
     "  --output PATH    where the file goes\n"
     "  --lang en|ja     the language of the messages\n"
     "  --json           one JSON line: result, message, outputs, stream, replaced, sound,\n"
     "                   sound_seconds, video_seconds, sound_chunks, bytes and with --offset\n"
     "                   \"offset\": asked, reached (seconds), method (silence, trim, frames,\n"
     "                   dwStart) and the samples, frames or units\n"
     "Written under a temporary name, flushed and moved into place when complete; Ctrl-C\n"
     "leaves nothing. Exit status: 0 written, 1 refused or failed, 2 usage.\n",
     {{"--replace", "N"}, {"--add"}, {"--offset", "T"}, kOutput, kLang, kJson},
     2},
    {"shift", RunShift, "move a sound stream against the picture",
     "tavrin shift FILE --stream N --offset T [--output PATH] [--lang en|ja] [--json]",
     "Moves the sound of stream N of FILE against the picture by T seconds (0.120, -1.5,\n"
     "-0:01.5; positive: the sound starts later), written to FILE's name with -o.avi in\n"
     "place of its extension, without decoding: PCM by whole samples (silence put in front,\n"
     "or samples taken off the front), other sound by whole chunks taken off (negative) or\n"
     "by the stream's start (dwStart, positive). The result says what was done and the\n"
     "offset reached. Every other chunk is kept as it is.\n"
     "  --stream N       the sound stream (numbers as tavrin info prints them)\n"
     "  --offset T       the offset\n"
     "  --output PATH    where the file goes\n"
     "  --lang en|ja     the language of the messages\n"
     "  --json           one JSON line as tavrin dub writes it, with \"offset\"\n"
     "Written under a temporary name, flushed and moved into place when complete; Ctrl-C\n"
     "leaves nothing. Exit status: 0 written, 1 refused or failed, 2 usage.\n",
     {{"--stream", "N"}, {"--offset", "T"}, kOutput, kLang, kJson},
     1},
    {"repair", RunRepair, "repair a recording that ended badly (cut short, without an index)",
     "tavrin repair FILE [--output PATH] [--clone] [--lang en|ja] [--json]",
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
     "Exit status: 0 repaired or nothing to repair, 1 refused or failed, 2 usage.\n",
     {kOutput, kClone, kLang, kJson},
     1},
    {"keyframes", RunKeyframes, "list the key frames, the frames a split can cut at",
     "tavrin keyframes FILE [--json]",
     "Lists the key frames of FILE's (first) video stream, the frames a split can cut at:\n"
     "each one's frame number, time (its number times the header's frame time, exact to\n"
     "the microsecond), offset (where its data lies in FILE, after the chunk header) and\n"
     "size in bytes. Frames are counted as the index lists them, as split counts them.\n"
     "  --json      one JSON line: file, frames, frame_us and key_frames, each with\n"
     "              frame, time_us, seconds, offset and size\n",
     {kJson},
     1},
    {"frame", RunFrame, "save one frame as a PNG picture, decoded",
     "tavrin frame FILE --at T | --frame N [--output PATH] [--json]",
     "Decodes one frame of FILE's (first) video stream and saves it as a PNG picture\n"
     "(8-bit RGB at the stored size), beside FILE as FILE's name with -NNNNNN.png (the\n"
     "frame number in six digits) in place of its extension: clip.avi, frame 1500:\n"
     "clip-001500.png. Frames count from 0 as the index lists them; the frame shown at\n"
     "time T is floor(T x rate), exact at the stream's rate (dwRate / dwScale). With\n"
     "B-frames it is the picture shown at that place, not the chunk stored there; an\n"
     "empty chunk (a dropped frame) shows the picture before it.\n"
     "  --at T           the time: seconds (95.5) or [H:]M:SS[.fff] (1:02:03.5)\n"
     "  --frame N        the frame number instead\n"
     "  --output PATH    where the picture goes\n"
     "  --json           one JSON line: result, frame, key_frame (the last key frame at\n"
     "                   or before it), seconds and output\n"
     "Decoders: MPEG-4 Visual (Xvid, DivX, packed B-frames too), DivX 3 and MS-MPEG4,\n"
     "H.264, HEVC, MPEG-1/2, MJPEG, DV, HuffYUV, UT Video, FFV1, Lagarith, Cinepak,\n"
     "MS Video 1, Indeo 2-5 and uncompressed RGB and YUV.\n"
     "Written under a temporary name and moved into place when complete. Exit status:\n"
     "0 saved; 1 a codec it cannot decode, a time past the end or a damaged file\n"
     "(nothing written); 2 usage.\n",
     {{"--at", "T"}, {"--frame", "N"}, kOutput, kJson},
     1},
    {"detect", RunDetect, "find black stretches, silences and scene changes, decoded",
     "tavrin detect FILE [--black] [--silence] [--scenes] [--min-seconds S] [--output LIST]\n"
     "             [--json]",
     "Reads FILE once and finds its breaks: black stretches (frames with at least 98% of\n"
     "their pixels at most 0.10 of the luma range, from the first black frame to the\n"
     "last), silences (every channel below -50 dBFS; to the sample for PCM, decoded for\n"
     "other sound) and scene changes (a picture that differs strongly from the one\n"
     "before). Pictures are decoded at a reduced size where the codec allows it. No kind\n"
     "named: all three.\n"
     "  --black            black stretches\n"
     "  --silence          silences\n"
     "  --scenes           scene changes\n"
     "  --min-seconds S    the shortest black stretch or silence reported (default 0.5)\n"
     "  --output LIST      the black and silent ranges as a cut list: a name ending .edl\n"
     "                     an MPlayer EDL (\"start end 0\": ranges to cut out, which\n"
     "                     tavrin cut drops from its list), any other a CSV\n"
     "                     (start,end,label)\n"
     "  --json             one JSON line: result, frames and the kinds asked: black\n"
     "                     [{start_seconds, end_seconds, first_frame, frames}], silence\n"
     "                     [{start_seconds, end_seconds}], scenes [{frame, seconds}]\n"
     "Exit status: 0 done (a file without sound has no silences, and says so); 1 a\n"
     "damaged or non-AVI file, a codec it cannot decode or Ctrl-C; 2 usage.\n",
     {{"--black"}, {"--silence"}, {"--scenes"}, {"--min-seconds", "S"}, {"--output", "LIST"}, kJson},
     1},
    {"batch", RunBatch, "run the jobs of a job file one after another: many recordings at once",
     "tavrin batch JOBFILE [--json]",
     "Runs the jobs of JOBFILE in order, each as the same command typed alone would run:\n"
     "the same outputs, messages and JSON. One job a line, a command line without the word\n"
     "tavrin; double quotes around a name with spaces (a doubled quote inside them is one\n"
     "quote); a # that starts a word begins a comment; blank lines count for nothing. Names\n"
     "are relative to JOBFILE's folder. UTF-8, a byte order mark allowed:\n"
     "    # the week's recordings\n"
     "    split \"Show 1.avi\" --every 1800\n"
     "    cut \"Show 2.avi\" --list \"Show 2.edl\"\n"
     "    repair cam/0001.avi\n"
     "Every line is checked first: one that is no valid command stops the batch with its\n"
     "line number and the reason, and nothing runs. A job that fails is reported and the\n"
     "next one runs; the last line names the lines that failed. The bar shows the batch\n"
     "(job k of n) and the job's own. Ctrl-C cancels the running job as it would alone\n"
     "(nothing of it left) and runs no more; the finished jobs' outputs stay.\n"
     "  --json      one JSON line per job: line, command, exit and the command's own JSON\n"
     "              fields; then a summary: result, jobs, succeeded, failed (line numbers),\n"
     "              cancelled and not_run\n"
     "Exit status: 0 every job succeeded, 1 one failed or the batch was cancelled, 2 usage\n"
     "or a line that is no command.\n",
     {kJson},
     1},
};

}  // namespace

const std::vector<Command>& Commands() { return kCommands; }

const Command* FindCommand(const std::string& name) {
  for (const Command& command : kCommands)
    if (name == command.name) return &command;
  return nullptr;
}

void PrintProgramUsage(std::FILE* to) {
  std::string synopsis;
  for (const Command& command : kCommands) synopsis += std::string(command.synopsis) + "\n";
  std::fputs(UsageText((synopsis + kHelpSynopsis).c_str()).c_str(), to);
}

void PrintProgramHelp(std::FILE* to) {
  int width = 0;
  for (const Command& command : kCommands) width = std::max(width, int(std::strlen(command.name)));
  std::fprintf(to, "tavrin: %s\n\ncommands:\n", kProgramSummary);
  for (const Command& command : kCommands) std::fprintf(to, "  %-*s  %s\n", width, command.name, command.summary);
  std::fputc('\n', to);
  PrintProgramUsage(to);
}
