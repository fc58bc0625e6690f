// OpenDML inputs from the Split tab under Wine: a small OpenDML file (two
// RIFF lists, ix## indexes) splits into the same files as its flattened
// version-1 twin; one cut short inside its AVIX is refused with the reason
// below the result's text, and nothing is written.
// Runs in English and Japanese.
#include <cstdio>

#include "tests/native/odml_builder.h"
#include "tests/win/lib/progress.h"

namespace {

using wt::Lang;

HWND mainWindow = nullptr;

std::string Slurp(const std::string& path) {
  std::string bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

avitest::BuiltOdml Built() {
  avitest::AviLayout clip = avitest::SimpleClip(60, 12, 1764);
  return avitest::BuildOdml(avitest::FfmpegLike(clip, {50, 90}));
}

wt::JobRun Split(const std::string& path) {
  wt::SetSplitFields(mainWindow, path, "0", "0", "1", "0.3");
  wt::SetChecked(mainWindow, IDC_BY_TIME);
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);
  wt::SetChecked(mainWindow, IDC_SPLIT_MERGE, false);
  return wt::RunJob(true, mainWindow);
}

void TestSplitsAsItsTwin() {
  wt::Case("an OpenDML input splits into the files its flattened twin gives");
  const avitest::BuiltOdml built = Built();
  const std::string dir = wt::CurrentDirectory() + "\\";
  WT_CHECK(avitest::WriteFile(dir + "odml.avi", built.bytes));
  WT_CHECK(avitest::WriteFile(dir + "flat.avi", avitest::FlattenByRule(built, 60)));
  const wt::JobRun odml = Split(dir + "odml.avi");
  const wt::JobRun flat = Split(dir + "flat.avi");
  WT_CHECK_EQ(long(odml.result), 0L);
  WT_CHECK_EQ(long(flat.result), 0L);
  // The same result, the same cut and the same sizes: only the names differ.
  if (WT_CHECK_EQ(odml.boxes.size(), size_t(1)) && WT_CHECK_EQ(flat.boxes.size(), size_t(1))) {
    std::string named = odml.boxes[0].text;
    for (size_t at; (at = named.find("odml-")) != std::string::npos;) named.replace(at, 5, "flat-");
    WT_CHECK_EQ(named, flat.boxes[0].text);
  }
  for (const char* part : {"-1.avi", "-2.avi"}) {
    const std::string a = Slurp(dir + "odml" + part), b = Slurp(dir + "flat" + part);
    WT_CHECK(!a.empty());
    WT_CHECK(a == b);
  }
}

void TestBrokenIsRefused() {
  wt::Case("an OpenDML input cut short inside its AVIX: result 6, its text and the reason, no output");
  avitest::BuiltOdml built = Built();
  built.bytes.resize(built.riffs[1] + 400);
  const std::string dir = wt::CurrentDirectory() + "\\";
  WT_CHECK(avitest::WriteFile(dir + "cut.avi", built.bytes));
  const wt::JobRun run = Split(dir + "cut.avi");
  WT_CHECK_EQ(long(run.result), 6L);
  if (!WT_CHECK_EQ(run.boxes.size(), size_t(1))) return;
  WT_CHECK(run.boxes[0].ownedByDialog);
  const std::string expected =
      Lang("Avi File???\n\nThe file is cut short: it ends inside a RIFF list",
           "未対応のファイルです\n\nファイルが途中で切れています（RIFF リストの途中で終わっています）");
  wt::Check(run.boxes[0].text.rfind(expected, 0) == 0, "the box says why: " + run.boxes[0].text, __FILE__,
            __LINE__);
  WT_CHECK(!wt::FileExists(dir + "cut-1.avi"));
  WT_CHECK(!wt::FileExists(dir + "cut-2.avi"));
  WT_CHECK(Slurp(dir + "cut.avi") == std::string(built.bytes.begin(), built.bytes.end()));
}

}  // namespace

int main() {
  if (!wt::Begin(110000)) return wt::Summary();  // below the runner's 120 s limit
  mainWindow = wt::StartJobHost();

  TestSplitsAsItsTwin();
  TestBrokenIsRefused();
  return wt::Summary();
}
