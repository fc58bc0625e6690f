// The real TavrinD.dll beside the program: Split-Merge and the Merge tab
// write the joined file and end in "Completed" (for a file with PCM audio in
// whole chunks the joined file is the file that was split, byte for byte),
// "File size" splits within the limit, and its refusals come before the
// job's "Error".
// Runs in English and Japanese.
#include "io/wide_path.h"
#include "tests/win/lib/app.h"

using namespace wt;

namespace {

std::string RealPlugin() { return Env("TAVRIN_WIN_BUILD_DIR") + "\\dll\\TavrinD.dll"; }
const std::wstring kCompleted = Lang(L"Completed", L"\u64CD\u4F5C\u5B8C\u4E86");  // 操作完了
const std::wstring kError = Lang(L"Error", L"\u30A8\u30E9\u30FC");                 // エラー
// 警告：オーバーラップ部分のストリーム1の音声が２つのファイルで異なります。結合後のファイルのその部分は「結合元ファイル２」の音声です。
const std::wstring kSoundDiffers = Lang(
    L"Warning: the sound of stream 1 differs between the two files in the overlap; the joined file has the 2nd "
    L"file's sound there.",
    L"\u8B66\u544A\uFF1A\u30AA\u30FC\u30D0\u30FC\u30E9\u30C3\u30D7\u90E8\u5206\u306E\u30B9\u30C8\u30EA\u30FC\u30E0"
    L"1\u306E\u97F3\u58F0\u304C\uFF12\u3064\u306E\u30D5\u30A1\u30A4\u30EB\u3067\u7570\u306A\u308A\u307E\u3059\u3002"
    L"\u7D50\u5408\u5F8C\u306E\u30D5\u30A1\u30A4\u30EB\u306E\u305D\u306E\u90E8\u5206\u306F\u300C\u7D50\u5408\u5143"
    L"\u30D5\u30A1\u30A4\u30EB\uFF12\u300D\u306E\u97F3\u58F0\u3067\u3059\u3002");

// The second part of a split with one sample of its first sound chunk
// changed: the pictures still overlap the first part's, the sound no longer.
std::string WithOtherSound(std::string bytes) {
  const size_t chunk = bytes.find("01wb", bytes.find("movi"));
  if (chunk == std::string::npos || chunk + 12 > bytes.size()) return "";
  const uint32_t length = uint8_t(bytes[chunk + 4]) | uint8_t(bytes[chunk + 5]) << 8;
  bytes[chunk + 8 + length / 2] ^= 0x55;
  return bytes;
}

}  // namespace

int main() {
  if (!Begin(150000)) return Summary();
  const std::string folder = MakeDir("plugin_jobs");
  WriteBytes(folder + "\\Tavrin.ini", "TabNo=0\r\n");
  WT_CHECK(CopyFileA(RealPlugin().c_str(), (folder + "\\TavrinD.dll").c_str(), FALSE));
  const std::string clip = CopySample("ffmpeg_mpeg4_pcm_g12.avi", "clip.avi", folder);
  const std::string first = folder + "\\clip-1.avi", second = folder + "\\clip-2.avi";
  const std::string joined = folder + "\\clip-m.avi";
  const std::string original = ReadBytes(clip);
  App app = Launch("", folder);

  Case("Split-Merge with the plug-in: the chained merge writes the joined file and says Completed");
  {
    FillSplitPage(app, clip, "0", "0", "13", "7.5", IDC_CREATE_BOTH);
    app.Click(IDC_SPLIT_MERGE);
    WT_CHECK(app.Checked(IDC_SPLIT_MERGE));
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle(), 30000);
    WT_CHECK(progress != nullptr);
    // The short result, then the joined file and the overlap dropped.
    const std::wstring result = AnswerMessageBox(progress, 60000);
    WT_CHECK_EQ(result.substr(0, kCompleted.size() + 2), kCompleted + L"\n\n");
    WT_CHECK(result.find(L"clip-m.avi: " + std::to_wstring(FileSize(joined))) != std::wstring::npos);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
    WT_CHECK(ReadBytes(joined) == original);
    app.Click(IDC_SPLIT_MERGE);
  }

  Case("the Merge tab with the plug-in: asked first, the joined file replaces the earlier one");
  {
    WriteBytes(joined, "old");
    app.Command(IDM_SWITCH_TAB);
    app.SetItemText(IDC_MERGE_FILE1, first);
    app.SetItemText(IDC_MERGE_FILE2, second);
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle());
    // The plug-in asks through its channel, naming the joined file.
    const std::wstring question = AnswerMessageBox(progress, 60000, IDYES);
    WT_CHECK(question.find(WideFromUtf8(joined)) != std::wstring::npos);
    WT_CHECK_EQ(AnswerMessageBox(progress, 60000).substr(0, kCompleted.size()), kCompleted);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(ReadBytes(joined) == original);
    app.Command(IDM_SWITCH_TAB);
  }

  Case("the Merge tab with the plug-in: sound that differs in the overlap is merged, the warning below Completed");
  {
    const std::string dubFirst = folder + "\\dub-1.avi", dubSecond = folder + "\\dub-2.avi";
    WT_CHECK(CopyFileA(first.c_str(), dubFirst.c_str(), FALSE));
    const std::string otherSound = WithOtherSound(ReadBytes(second));
    WT_CHECK(!otherSound.empty());
    WriteBytes(dubSecond, otherSound);
    app.Command(IDM_SWITCH_TAB);
    app.SetItemText(IDC_MERGE_FILE1, dubFirst);
    app.SetItemText(IDC_MERGE_FILE2, dubSecond);
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, MergeTitle());
    // Completed, what was written, and the warning last.
    const std::wstring box = AnswerMessageBox(progress, 60000);
    const std::wstring warning = L"\n\n" + kSoundDiffers;
    WT_CHECK(box.compare(0, kCompleted.size() + 2, kCompleted + L"\n\n") == 0);
    WT_CHECK(box.size() > warning.size() && box.compare(box.size() - warning.size(), warning.size(), warning) == 0);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(ReadBytes(folder + "\\dub-m.avi").size() == original.size());
    app.Command(IDM_SWITCH_TAB);
  }

  Case("File size with the plug-in: the first file fits in 2 MB, Completed");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    app.SetItemText(IDC_SRC_FILE, clip);
    app.Click(IDC_BY_SIZE);
    app.SetItemText(IDC_SIZE_MB, "2");
    app.SetItemText(IDC_OVERLAP, "3");
    app.Click(IDC_CREATE_BOTH);
    app.PostCommand(IDC_EXECUTE);
    HWND progress = WaitForProgress(app, SplitTitle());
    WT_CHECK(progress != nullptr);
    WT_CHECK_EQ(AnswerMessageBox(progress, 60000).substr(0, kCompleted.size()), kCompleted);
    WT_CHECK(JobEnded(app, progress));
    WT_CHECK(StaysQuiet(app));
    WT_CHECK(LooksLikeWholeAvi(first));
    WT_CHECK(LooksLikeWholeAvi(second));
    WT_CHECK(FileSize(first) <= 2 * 1048576);
    WT_CHECK(FileSize(first) > 1800000);
  }

  Case("File size beyond the file, then too small: each reason, then Error; nothing written");
  {
    DeleteFileA(first.c_str());
    DeleteFileA(second.c_str());
    const std::wstring reasons[] = {
        Lang(L"File already fits in [File size]",
             L"\u30D5\u30A1\u30A4\u30EB\u306F\u65E2\u306B\u300C\u30B5\u30A4\u30BA\u6307\u5B9A\u300D\u5024\u4EE5\u5185"
             L"\u3067\u3059"),  // ファイルは既に「サイズ指定」値以内です
        Lang(L"[File size] is too small",
             L"\u300C\u30B5\u30A4\u30BA\u6307\u5B9A\u300D\u5024\u304C\u5C0F\u3055\u3059\u304E\u307E\u3059")};  // 「サイズ指定」値が小さすぎます
    const char* sizes[] = {"100", "0.01"};
    for (int i = 0; i < 2; ++i) {
      app.SetItemText(IDC_SIZE_MB, sizes[i]);
      app.PostCommand(IDC_EXECUTE);
      HWND progress = WaitForProgress(app, SplitTitle());
      WT_CHECK_EQ(AnswerMessageBox(progress, 30000), reasons[i]);
      WT_CHECK_EQ(AnswerMessageBox(progress, 30000), kError);
      WT_CHECK(JobEnded(app, progress));
      WT_CHECK(FileSize(first) < 0);
      WT_CHECK(FileSize(second) < 0);
    }
    app.Click(IDC_BY_TIME);
  }
  CloseApp(app);
  return Summary();
}
