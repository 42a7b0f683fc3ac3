// The renderer as a Windows program, run through CreateProcessW with a wide
// command line: names outside the ANSI code page, a picture held open by
// another program, a full device and the joining of folder and name.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tools/render/path_join.h"

namespace quorvex {
namespace {

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string ReadAll(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "(missing)";
  std::string data;
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
  CloseHandle(h);
  return data;
}

void WriteAll(const std::wstring& path, const std::string& data) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
  CloseHandle(h);
}

// The names in a folder, its subfolders' included, as "sub\name".
std::vector<std::wstring> Names(const std::wstring& dir, const std::wstring& prefix = {}) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  std::wstring pattern = dir;
  pattern.append(L"\\*");
  HANDLE h = FindFirstFileW(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    names.push_back(prefix + name);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      for (const std::wstring& sub : Names(dir + L"\\" + name, prefix + name + L"\\")) names.push_back(sub);
  } while (FindNextFileW(h, &found));
  FindClose(h);
  return names;
}

int Temporaries(const std::wstring& dir) {
  int n = 0;
  for (const std::wstring& name : Names(dir)) n += name.find(L".qv-") != std::wstring::npos;
  return n;
}

struct Result {
  DWORD status = 0;
  std::string out;
  std::string err;
};

class RenderOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    dir = std::wstring(base) + L"qv-render-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount64());
    CreateDirectoryW(dir.c_str(), nullptr);
  }
  void TearDown() override {
    for (int pass = 0; pass < 3; ++pass) {
      std::vector<std::wstring> names = Names(dir);
      for (auto it = names.rbegin(); it != names.rend(); ++it) {
        const std::wstring path = dir + L"\\" + *it;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
      }
    }
    RemoveDirectoryW(dir.c_str());
  }

  // Starts the renderer in `dir` with a wide command line; its standard
  // output and error go to files (standard error to none without
  // `withError`). Every run has files of its own: a process the renderer
  // started may hold an earlier run's open after it ended (Wine's desktop
  // process, started by the first program that needs it, inherits that
  // program's standard handles and lives until the prefix ends), and a file
  // deleted while open keeps its name until it is closed.
  PROCESS_INFORMATION Start(const std::wstring& args, bool withError = true) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::wstring stem = dir + L"\\..\\" + NameOf(dir) + L"-" + std::to_wstring(++runs);
    outPath = stem + L".out";
    errPath = stem + L".err";
    outFile = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                          CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(outFile, INVALID_HANDLE_VALUE) << GetLastError();
    errFile = withError ? CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      &inherit, CREATE_ALWAYS, 0, nullptr)
                        : nullptr;
    EXPECT_NE(errFile, INVALID_HANDLE_VALUE) << GetLastError();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    inFile = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                         nullptr);
    si.hStdInput = inFile;
    si.hStdOutput = outFile;
    si.hStdError = errFile;
    std::wstring exe = L"Z:" + Wide(QUORVEX_RENDER);
    for (wchar_t& c : exe)
      if (c == L'/') c = L'\\';
    std::wstring line = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION pi{};
    // Wine now and then refuses a start with ERROR_INTERNAL_ERROR (seen in
    // a new prefix's first test, once in twenty runs): the start is tried again.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
      started =
          CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi);
      if (!started && GetLastError() != ERROR_INTERNAL_ERROR) break;
      if (!started) Sleep(500);
    }
    EXPECT_TRUE(started) << GetLastError();
    return pi;
  }

  Result Finish(PROCESS_INFORMATION pi) {
    Result r;
    WaitForSingleObject(pi.hProcess, 120000);
    GetExitCodeProcess(pi.hProcess, &r.status);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(inFile);
    CloseHandle(outFile);
    if (errFile) CloseHandle(errFile);
    r.out = ReadAll(outPath);
    r.err = errFile ? ReadAll(errPath) : "";
    DeleteFileW(outPath.c_str());
    DeleteFileW(errPath.c_str());
    return r;
  }

  Result Run(const std::wstring& args, bool withError = true) { return Finish(Start(args, withError)); }

  std::wstring dir;
  int runs = 0;
  std::wstring outPath;
  std::wstring errPath;
  HANDLE inFile = INVALID_HANDLE_VALUE;
  HANDLE outFile = INVALID_HANDLE_VALUE;
  HANDLE errFile = INVALID_HANDLE_VALUE;
};

bool IsPng(const std::string& data) {
  return data.size() > 8 && data.compare(1, 3, "PNG") == 0;
}

TEST_F(RenderOnWindows, NamesOutsideTheAnsiCodePageAreTheNamesTyped) {
  // Each of these names used to become another one through the ANSI code
  // page: α.png wrote a.png, β.csv wrote ß.csv, Ω.png and O.png were "the
  // same file", and a full-width 5 was read as 5.
  CreateDirectoryW((dir + L"\\Привет").c_str(), nullptr);
  const std::string old = "data\n";
  for (const wchar_t* name : {L"a.png", L"O.png", L"ß.csv", L"O.csv"}) WriteAll(dir + L"\\" + name, old);
  const struct {
    const char* args;
    DWORD status;
    const char* err;                   // in standard error
    std::vector<const char*> written;  // PNG or CSV files made
  } cases[] = {
      {"--years 10 --output α.png", 0, "", {"α.png"}},
      {"--years 10 --output x.png --samples β.csv", 0, "", {"x.png", "β.csv"}},
      {"--years 10 --output Ω.png --samples O.png", 0, "", {"Ω.png", "O.png"}},
      {"--years 10 --output Привет\\файл.png --samples 图表.csv", 0, "", {"Привет\\файл.png", "图表.csv"}},
      {"--step=５ --output five.png", 2, "--step: Please enter an integer.", {}},
      {"--years 10 --output нет\\файл.png", 1, "cannot write нет\\файл.png: ", {}},
  };
  for (const auto& c : cases) {
    const Result r = Run(Wide(c.args));
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
    for (const char* name : c.written) {
      const std::string data = ReadAll(dir + L"\\" + Wide(name));
      EXPECT_TRUE(IsPng(data) || data.starts_with("step,t,")) << c.args << ": " << name;
    }
    // The files whose names the typed ones used to turn into are untouched.
    for (const wchar_t* name : {L"a.png", L"ß.csv", L"O.csv"})
      EXPECT_EQ(ReadAll(dir + L"\\" + name), old) << c.args;
    EXPECT_EQ(Temporaries(dir), 0) << c.args;
  }
  EXPECT_EQ(ReadAll(dir + L"\\five.png"), "(missing)");
}

TEST_F(RenderOnWindows, APictureHeldOpenWithoutDeleteSharingReplacesNeitherOutput) {
  // A viewer holds the picture open without delete sharing, from before the
  // run (refused at once) or from the middle of it (the samples file,
  // replaced first, gets its old content back).
  const std::string old = "old\n";
  const std::wstring png = dir + L"\\old.png";
  const std::wstring csv = dir + L"\\old.csv";
  const std::wstring args = L"--years 1000 --step 250 --speed 1 --paced --output old.png --samples old.csv";
  for (const bool duringTheRun : {false, true}) {
    WriteAll(png, old);
    WriteAll(csv, old);
    HANDLE viewer = INVALID_HANDLE_VALUE;
    auto hold = [&] {
      viewer = CreateFileW(png.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    };
    if (!duringTheRun) hold();
    const PROCESS_INFORMATION pi = Start(args);
    if (duringTheRun) {
      for (int i = 0; i < 2000 && Temporaries(dir) < 2; ++i) Sleep(5);
      ASSERT_EQ(Temporaries(dir), 2);
      hold();
    }
    const Result r = Finish(pi);
    CloseHandle(viewer);
    EXPECT_EQ(r.status, 1u) << duringTheRun << ": " << r.err;
    EXPECT_NE(r.err.find("cannot write old.png: "), std::string::npos) << r.err;
    if (duringTheRun) {
      EXPECT_NE(r.err.find("; old.csv left as it was"), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadAll(png), old);
    EXPECT_EQ(ReadAll(csv), old);
    EXPECT_EQ(Temporaries(dir), 0);
  }
}

TEST_F(RenderOnWindows, StartedWithoutStandardErrorTheRunStillWritesBothOutputs) {
  // The runtime then leaves the stream without a descriptor and refuses to
  // reopen it on NUL; that is no reason to stop (it used to end the run with
  // status 1, its message lost with the stream).
  const Result r = Run(L"--years 10 --output x.png --samples x.csv", false);
  EXPECT_EQ(r.status, 0u);
  EXPECT_TRUE(IsPng(ReadAll(dir + L"\\x.png")));
  EXPECT_TRUE(ReadAll(dir + L"\\x.csv").starts_with("step,t,"));
}

TEST_F(RenderOnWindows, AFailedPictureWriteGivesTheSystemsReason) {
  // Wine opens the Linux device under Z:.
  const Result r = Run(L"--years 10 --output Z:\\dev\\full");
  EXPECT_EQ(r.status, 1u);
  EXPECT_NE(r.err.find("cannot write Z:\\dev\\full: No space left on device"), std::string::npos) << r.err;
}

TEST(PathJoin, OneSeparatorBetweenFolderAndName) {
  const struct {
    std::wstring path;
    std::wstring folder;
    std::wstring joined;  // the folder and the name joined again
  } cases[] = {
      {L"\\\\?\\D:\\plot.png", L"\\\\?\\D:\\", L"\\\\?\\D:\\plot.png"},
      {L"D:\\plot.png", L"D:\\", L"D:\\plot.png"},
      {L"D:/plot.png", L"D:/", L"D:/plot.png"},
      {L"C:\\a\\b\\plot.png", L"C:\\a\\b", L"C:\\a\\b\\plot.png"},
      {L"\\plot.png", L"\\", L"\\plot.png"},
      {L"plot.png", L".", L".\\plot.png"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FolderOf(c.path), c.folder);
    EXPECT_EQ(NameOf(c.path), L"plot.png");
    EXPECT_EQ(JoinPath(FolderOf(c.path), NameOf(c.path)), c.joined);
  }
}

}  // namespace
}  // namespace quorvex
