// The output files' temporary names, their ownership and the removal of
// what killed runs left (io/part_files.h, io/file_system.h), and the point
// from which a cancel comes too late (JobSink::BeginCommit).
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "job/native_sink.h"
#include "io/file_system.h"
#include "io/output_file.h"
#include "io/part_files.h"
#include "job/output_commit.h"

namespace {

std::string FreshFolder() {
  std::string pattern = testing::TempDir() + "outfiles.XXXXXX";
  EXPECT_NE(mkdtemp(&pattern[0]), nullptr);
  return pattern + "/";
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (const dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Pid() { return std::to_string(getpid()); }

// A file of the pattern held as a running writer holds its own: open, locked.
struct HeldFile {
  explicit HeldFile(const std::string& path) : fd(open(path.c_str(), O_WRONLY | O_CREAT, 0644)) {
    EXPECT_GE(fd, 0);
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  }
  ~HeldFile() { close(fd); }
  int fd;
};

}  // namespace

TEST(PartNames, PatternAndLength) {
  EXPECT_EQ(PartName("clip-1.avi", 4321, 1), ".clip-1.avi.4321.tavrin-part");
  EXPECT_EQ(PartName("clip-1.avi", 4321, 3), ".clip-1.avi.4321-3.tavrin-part");
  // A name near the 255-byte limit loses its end, never half a character.
  std::string longName;
  while (longName.size() < 250) longName += "\xE3\x81\x82";  // あ, three bytes
  longName += ".avi";
  const std::string part = PartName(longName, 400000000u, 12);
  EXPECT_EQ(part.substr(part.size() - 25), ".400000000-12.tavrin-part");
  EXPECT_EQ(part.size(), 1 + 228 + 25u) << "229 bytes would fit, but only 228 hold whole characters";
  EXPECT_EQ(part.compare(1, 3, "\xE3\x81\x82"), 0);

  for (const char* name : {".clip.avi.12.tavrin-part", ".x.tavrin-part", ".clip.avi.1-2.tavrin-part"})
    EXPECT_TRUE(IsPartName(name)) << name;
  for (const char* name : {"clip.avi.12.tavrin-part", ".tavrin-part", "..tavrin-part", ".clip.avi",
                           ".clip.avi.tavrin-part.bak", ".clip.avi.12.tavrin-par", "~a8k2x"})
    EXPECT_FALSE(IsPartName(name)) << name;
}

// The temporary file carries the final name and the process; it is owned from
// its creation to its move (also while it waits, finished), and the move is
// complete on the device.
TEST(OutputFiles, TemporaryNameAndOwnershipUntilTheMove) {
  const std::string dir = FreshFolder();
  const auto any = [](const std::string& name) { return IsPartName(name); };
  OutputFile out;
  ASSERT_TRUE(out.Create(dir + "clip-1.avi"));
  EXPECT_EQ(out.TemporaryPath(), dir + ".clip-1.avi." + Pid() + ".tavrin-part");
  ASSERT_TRUE(out.Write("data", 4));
  EXPECT_EQ(filesys::RemoveUnownedFiles(dir, any), 0u) << "owned while written";
  ASSERT_TRUE(out.Finish());
  EXPECT_EQ(filesys::RemoveUnownedFiles(dir, any), 0u) << "owned while it waits for its commit";
  EXPECT_EQ(NamesIn(dir), std::vector<std::string>{".clip-1.avi." + Pid() + ".tavrin-part"});
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"clip-1.avi"});
  EXPECT_EQ(Get(dir + "clip-1.avi"), "data");

  // A second file of this process for a name whose temporary file exists.
  OutputFile first, second;
  ASSERT_TRUE(first.Create(dir + "clip-1.avi"));
  ASSERT_TRUE(second.Create(dir + "clip-1.avi"));
  EXPECT_EQ(second.TemporaryPath(), dir + ".clip-1.avi." + Pid() + "-2.tavrin-part");
  second.Abandon();
  first.Abandon();
  EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"clip-1.avi"});
  EXPECT_EQ(Get(dir + "clip-1.avi"), "data");
}

// Only regular files of the pattern that no process holds go: never one that
// is held, a link (nor what it names), a folder, a FIFO or another name.
TEST(OutputFiles, LeftoversOfKilledRunsAreRemovedAndNothingElse) {
  const std::string dir = FreshFolder();
  const std::string outside = FreshFolder() + "precious.avi";
  Put(outside, "precious");
  Put(dir + ".clip-1.avi.999999.tavrin-part", "left by a killed run");
  Put(dir + ".clip-2.avi.999999-2.tavrin-part", "left too");
  Put(dir + "clip.avi.999999.tavrin-part", "no dot: not ours");
  Put(dir + ".clip.avi.999999.tavrin-part.bak", "another name");
  Put(dir + "~a8k2x", "an older version's name");
  ASSERT_EQ(symlink(outside.c_str(), (dir + ".link.avi.1.tavrin-part").c_str()), 0);
  ASSERT_EQ(mkdir((dir + ".folder.avi.1.tavrin-part").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo((dir + ".fifo.avi.1.tavrin-part").c_str(), 0644), 0);
  HeldFile running(dir + ".running.avi.888888.tavrin-part");

  OutputFile out;  // the next run writing in the folder
  ASSERT_TRUE(out.Create(dir + "clip-1.avi"));
  out.Abandon();
  EXPECT_EQ(NamesIn(dir), std::vector<std::string>({".clip.avi.999999.tavrin-part.bak", ".fifo.avi.1.tavrin-part",
                                                     ".folder.avi.1.tavrin-part", ".link.avi.1.tavrin-part",
                                                     ".running.avi.888888.tavrin-part", "clip.avi.999999.tavrin-part",
                                                     "~a8k2x"}));
  EXPECT_EQ(Get(outside), "precious");
}

// A split into more pieces than the process has descriptors to keep: the
// pieces past that wait unowned, and this process's own look-over spares
// them; all are moved.
TEST(OutputFiles, MorePiecesThanDescriptorsToKeep) {
  if (geteuid() != 0) GTEST_SKIP() << "the hard limit would stay lowered";
  const std::string dir = FreshFolder();
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit few = {64, 64};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
  {
    std::vector<std::unique_ptr<OutputFile>> pieces;
    for (int i = 0; i < 80; ++i) {
      pieces.emplace_back(new OutputFile);
      ASSERT_TRUE(pieces.back()->Create(dir + "p-" + std::to_string(i) + ".avi")) << i << pieces.back()->Reason();
      ASSERT_TRUE(pieces.back()->Write(&i, sizeof i));
      ASSERT_TRUE(pieces.back()->Finish()) << i;
    }
    RemoveLeftoverParts(dir + "./");  // another spelling of the folder: looked over at once
    for (auto& piece : pieces) ASSERT_TRUE(piece->Commit()) << piece->FinalPath() << ": " << piece->Reason();
  }
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(NamesIn(dir).size(), 80u);
  EXPECT_EQ(Get(dir + "p-79.avi"), std::string("\x4f\0\0\0", 4));
}

// A cancel before the commit's start stops the job; one after it is too late
// and is not seen any more.
TEST(CommitPoint, CancelBeforeStopsAndAfterIsTooLate) {
  NativeSink early;
  early.cancelRequested = -2;
  EXPECT_FALSE(early.BeginCommit());
  EXPECT_TRUE(early.Cancelled());

  NativeSink late;
  EXPECT_TRUE(late.BeginCommit());
  late.cancelRequested = -2;  // Ctrl-C during the moves
  EXPECT_FALSE(late.Cancelled());
}

// Outputs whose names hold files from an earlier run: the sink is asked once,
// naming only those; No moves nothing (the old bytes stay, no temporary file
// is left), Yes replaces them; fresh names are not asked about.
TEST(CommitPoint, ExistingNamesAreAskedAboutFirst) {
  struct AnsweringSink : NativeSink {
    bool answer = false;
    std::vector<std::vector<std::string>> asked;
    bool MayReplace(const std::vector<std::string>& existing) override {
      asked.push_back(existing);
      return answer;
    }
  };
  const std::string dir = FreshFolder();
  Put(dir + "clip-1.avi", "old first");
  auto run = [&](AnsweringSink& sink) {
    OutputFile first, second;
    EXPECT_TRUE(first.Create(dir + "clip-1.avi") && second.Create(dir + "clip-2.avi"));
    EXPECT_TRUE(first.Write("new first", 9) && second.Write("new second", 10));
    return CommitOutputs({&first, &second}, sink, {}).step;
  };
  AnsweringSink no;
  EXPECT_EQ(run(no), CommitEnd::Cancelled);
  ASSERT_EQ(no.asked.size(), 1u);
  EXPECT_EQ(no.asked[0], std::vector<std::string>{dir + "clip-1.avi"});
  EXPECT_EQ(NamesIn(dir), std::vector<std::string>{"clip-1.avi"});
  EXPECT_EQ(Get(dir + "clip-1.avi"), "old first");
  EXPECT_FALSE(no.committing.load());  // a Cancel stays possible until the user says Yes

  AnsweringSink yes;
  yes.answer = true;
  EXPECT_EQ(run(yes), CommitEnd::Committed);
  EXPECT_EQ(yes.asked.size(), 1u);
  EXPECT_EQ(Get(dir + "clip-1.avi"), "new first");
  EXPECT_EQ(Get(dir + "clip-2.avi"), "new second");

  std::remove((dir + "clip-1.avi").c_str());
  std::remove((dir + "clip-2.avi").c_str());
  AnsweringSink fresh;
  EXPECT_EQ(run(fresh), CommitEnd::Committed);
  EXPECT_TRUE(fresh.asked.empty());

  NativeSink commandLine;  // replaces without asking, as scripts expect
  OutputFile again;
  EXPECT_TRUE(again.Create(dir + "clip-1.avi") && again.Write("third", 5));
  EXPECT_EQ(CommitOutputs({&again}, commandLine, {}).step, CommitEnd::Committed);
  EXPECT_EQ(Get(dir + "clip-1.avi"), "third");
}
