// The plug-in interface under Wine with the test TavrinD.dll: loading only
// from the program's folder (never the current directory), the size-based split handed to TestFunc
// (arguments, messages, result -3) with and without the library, and the
// merge's hand-over after planning.
#include <fstream>

#include "app/plugin_win32.h"
#include "app/settings_place.h"
#include "tests/win/lib/progress.h"

namespace {

HWND mainWindow = nullptr;
std::string logPath;

struct Call {
  long first;
  long second;
  unsigned long thread;
};

std::vector<Call> TakeCalls() {
  std::vector<Call> calls;
  std::ifstream log(logPath);
  Call call;
  while (log >> call.first >> call.second >> call.thread) calls.push_back(call);
  log.close();
  DeleteFileA(logPath.c_str());
  return calls;
}

void PluginReturns(const char* value) { SetEnvironmentVariableA("TAVRIN_PLUGIN_RESULT", value); }

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// A size-based split with the given create radio and overlap text; the time
// fields and the input path are unusable, so only the hand-over can succeed.
wt::JobRun SplitBySize(int createRadio, const char* overlap) {
  wt::SetSplitFields(mainWindow, wt::CurrentDirectory() + "\\missing.avi", "x", "x", "x", overlap);
  wt::SetChecked(mainWindow, IDC_BY_SIZE);
  wt::SetChecked(mainWindow, createRadio);
  return wt::RunJob(true, mainWindow);
}

void TestAbsent() {
  wt::Case("no TavrinD.dll in the folder: nothing loaded, size split returns -3 silently");
  HMODULE plugin = LoadSizeSplitPlugin(wt::CurrentDirectory());
  WT_CHECK(plugin == nullptr);
  WT_CHECK(GetModuleHandleA("TavrinD.dll") == nullptr);
  InitWin32Host(mainWindow, plugin, 1);
  wt::JobRun run = SplitBySize(IDC_CREATE_BOTH, "5");
  WT_CHECK_EQ(long(run.result), -3L);
  WT_CHECK_EQ(run.boxes.size(), size_t(0));
  WT_CHECK(run.progress.empty());
  WT_CHECK_EQ(TakeCalls().size(), size_t(0));
}

std::string TestDll() { return wt::Env("TAVRIN_WIN_BUILD_DIR") + "\\plugin\\TavrinD.dll"; }

// Run as a child process by TestLoadsFromCurrentDirectory: loads the plug-in
// and prints where it came from.
int LoadProbe() {
  HMODULE plugin = LoadSizeSplitPlugin(ProgramFolder());
  char path[MAX_PATH] = {};
  if (plugin) GetModuleFileNameA(plugin, path, MAX_PATH);
  std::printf("%s\n", path);
  return plugin ? 0 : 1;
}

void TestLoadsFromProgramFolder() {
  wt::Case("with TavrinD.dll both next to the program and in the current directory, the program's is loaded");
  std::string base = wt::CurrentDirectory();
  CreateDirectoryA("program", nullptr);
  CreateDirectoryA("start", nullptr);
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string program = base + "\\program\\wt_plugin.exe";
  WT_CHECK(CopyFileA(self, program.c_str(), FALSE));
  const std::string built(self);
  wt::CopyFfmpegDlls(built.substr(0, built.find_last_of('\\')), base + "\\program");
  WT_CHECK(CopyFileA(TestDll().c_str(), (base + "\\program\\TavrinD.dll").c_str(), FALSE));
  WT_CHECK(CopyFileA(TestDll().c_str(), (base + "\\start\\TavrinD.dll").c_str(), FALSE));

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  std::string outPath = base + "\\probe.txt";
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION child = {};
  std::string command = "\"" + program + "\" --load-probe";
  std::string startDir = base + "\\start";
  if (!WT_CHECK(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, startDir.c_str(), &startup,
                               &child))) {
    CloseHandle(out);
    return;
  }
  WaitForSingleObject(child.hProcess, 30000);
  DWORD code = 99;
  GetExitCodeProcess(child.hProcess, &code);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
  CloseHandle(out);
  std::string loaded;
  std::ifstream probe(outPath);
  std::getline(probe, loaded);
  WT_CHECK_EQ(long(code), 0L);
  wt::Check(SamePath(loaded, base + "\\program\\TavrinD.dll"), "loaded " + loaded, __FILE__, __LINE__);
}

void TestNotALibrary() {
  wt::Case("a TavrinD.dll that is no library: the load fails, no library");
  const std::string broken = wt::MakeDir("broken");
  wt::WriteBytes(broken + "\\TavrinD.dll", "not a library\n");
  WT_CHECK(LoadSizeSplitPlugin(broken) == nullptr);
}

void TestSizeSplitHandOver(HMODULE plugin) {
  wt::Case("size split with the library: (CreateMode, whole overlap seconds), Completed/Error, -3");
  DWORD uiThread = GetCurrentThreadId();

  PluginReturns("0");
  wt::JobRun run = SplitBySize(IDC_CREATE_BOTH, "5.9");
  WT_CHECK_EQ(long(run.result), -3L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) {
    WT_CHECK(run.boxes[0].ownedByDialog);
    WT_CHECK_EQ(run.boxes[0].text, std::string("Completed"));
  }
  WT_CHECK(run.progress.empty());  // no input is opened
  std::vector<Call> calls = TakeCalls();
  if (WT_CHECK_EQ(calls.size(), size_t(1))) {
    WT_CHECK_EQ(calls[0].first, 3L);
    WT_CHECK_EQ(calls[0].second, 5L);
    WT_CHECK(calls[0].thread != uiThread);  // called on the worker
  }

  PluginReturns("7");
  run = SplitBySize(IDC_CREATE_FIRST, "abc");  // first file only: overlap 0, its text not read
  WT_CHECK_EQ(long(run.result), -3L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text, std::string("Error"));
  calls = TakeCalls();
  if (WT_CHECK_EQ(calls.size(), size_t(1))) {
    WT_CHECK_EQ(calls[0].first, 1L);
    WT_CHECK_EQ(calls[0].second, 0L);
  }

  PluginReturns("-1");
  run = SplitBySize(IDC_CREATE_SECOND, "60");
  WT_CHECK_EQ(long(run.result), -3L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1))) WT_CHECK_EQ(run.boxes[0].text, std::string("Error"));
  calls = TakeCalls();
  if (WT_CHECK_EQ(calls.size(), size_t(1))) {
    WT_CHECK_EQ(calls[0].first, 2L);
    WT_CHECK_EQ(calls[0].second, 60L);
  }

  PluginReturns("0");
  run = SplitBySize(IDC_CREATE_BOTH, "60.5");  // the overlap check comes first
  WT_CHECK_EQ(long(run.result), -2L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].text, std::string("[Overlap] bad value(0-60)"));
  WT_CHECK_EQ(TakeCalls().size(), size_t(0));
  (void)plugin;
}

void TestMergeHandOver() {
  wt::Case("merge with the library: (1, 60) after planning; 0 gives Completed, else the summary");
  std::string input = wt::CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi");
  wt::SetSplitFields(mainWindow, input, "0", "0", "10", "3");
  wt::SetChecked(mainWindow, IDC_BY_TIME);  // by time: the library is not involved
  wt::SetChecked(mainWindow, IDC_CREATE_BOTH);
  wt::JobRun split = wt::RunJob(true, mainWindow);
  WT_CHECK_EQ(long(split.result), 0L);
  WT_CHECK_EQ(TakeCalls().size(), size_t(0));

  std::string stem = wt::CurrentDirectory() + "\\clip";
  wt::SetField(mainWindow, IDC_MERGE_FILE1, stem + "-1.avi");
  wt::SetField(mainWindow, IDC_MERGE_FILE2, stem + "-2.avi");
  PluginReturns("0");
  wt::JobRun run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  // "Completed", then the joined file's name and the overlap dropped.
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    WT_CHECK_EQ(run.boxes[0].text.substr(0, 23), std::string("Completed\n\nclip-m.avi: "));
  std::vector<Call> calls = TakeCalls();
  if (WT_CHECK_EQ(calls.size(), size_t(1))) {
    WT_CHECK_EQ(calls[0].first, 1L);
    WT_CHECK_EQ(calls[0].second, 60L);
  }

  PluginReturns("5");
  run = wt::RunJob(false, mainWindow);
  WT_CHECK_EQ(long(run.result), 0L);
  if (WT_CHECK_EQ(run.boxes.size(), size_t(1)))
    wt::Check(run.boxes[0].text.rfind("Merge O.K.\n\n", 0) == 0, "summary: " + run.boxes[0].text, __FILE__, __LINE__);
  WT_CHECK_EQ(TakeCalls().size(), size_t(1));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--load-probe") return LoadProbe();
  if (!wt::Begin(110000)) return wt::Summary();  // below the runner's 120 s limit
  logPath = wt::CurrentDirectory() + "\\plugin-calls.txt";
  SetEnvironmentVariableA("TAVRIN_PLUGIN_LOG", logPath.c_str());
  mainWindow = wt::CreateTestMainWindow();
  wt::WatchProgressReports();

  TestAbsent();
  TestNotALibrary();
  TestLoadsFromProgramFolder();

  wt::Case("TavrinD.dll in the folder given: loaded from there, entry TestFunc");
  std::string copy = wt::CurrentDirectory() + "\\TavrinD.dll";
  WT_CHECK(CopyFileA(TestDll().c_str(), copy.c_str(), FALSE));
  HMODULE plugin = LoadSizeSplitPlugin(wt::CurrentDirectory());
  if (!WT_CHECK(plugin != nullptr)) return wt::Summary();
  char loadedFrom[MAX_PATH] = {};
  GetModuleFileNameA(plugin, loadedFrom, MAX_PATH);
  wt::Check(SamePath(loadedFrom, copy), std::string("loaded from ") + loadedFrom, __FILE__, __LINE__);
  WT_CHECK(GetProcAddress(plugin, "TestFunc") != nullptr);
  WT_CHECK(GetProcAddress(plugin, "TestFunc@8") == nullptr);  // the plain name only
  int32_t result = 99;
  PluginReturns("42");
  WT_CHECK(CallTestFunc(plugin, 7, -8, &result));
  WT_CHECK_EQ(long(result), 42L);
  std::vector<Call> calls = TakeCalls();
  if (WT_CHECK_EQ(calls.size(), size_t(1))) {
    WT_CHECK_EQ(calls[0].first, 7L);
    WT_CHECK_EQ(calls[0].second, -8L);
  }
  WT_CHECK(!CallTestFunc(nullptr, 1, 2, &result));
  InitWin32Host(mainWindow, plugin, 1);

  TestSizeSplitHandOver(plugin);
  TestMergeHandOver();
  return wt::Summary();
}
