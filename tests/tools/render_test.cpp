#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/plot_run.h"
#include "tests/support/png_read.h"
#include "tests/support/process.h"

namespace quorvex {
namespace {

using testing::FileExists;
using testing::ProcessResult;

class Render : public ::testing::Test {
 protected:
  void SetUp() override { dir = testing::MakeTempDir(); }
  void TearDown() override { testing::RunProcess("/bin/rm", {"-rf", dir}); }

  ProcessResult Run(std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
    return testing::RunProcess(QUORVEX_RENDER, args, env);
  }
  std::string dir;
};

TEST_F(Render, DefaultRunWritesTheViewsPicture) {
  const std::string out = dir + "/default.png";
  const ProcessResult r = Run({"--output", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Shortest Distance: 18.19664 AU\n");
  EXPECT_EQ(r.err, "");  // not a terminal: no progress

  testing::Picture pic;
  ASSERT_TRUE(testing::ReadPng(out, pic));
  EXPECT_EQ(pic.width, 640);
  EXPECT_EQ(pic.height, 480);
  EXPECT_EQ(pic.bitDepth, 8);
  EXPECT_EQ(pic.colorType, 2);  // RGB

  // The same pixels as the chart and a run drawn in this process.
  const ChartFonts& fonts = ChartFonts::Shared();
  Canvas canvas(640, 480, fonts.closingLine.get());
  PaintViewBackground(canvas, true, fonts);
  RunParameters p;
  RunPlot(canvas, p);
  EXPECT_EQ(pic.pixels, canvas.pixels());
  // Nothing but the picture is left in the folder.
  EXPECT_EQ(testing::RunProcess("/bin/ls", {"-A", dir}).out, "default.png\n");
}

TEST_F(Render, InteractionOffAndEqualsForms) {
  const ProcessResult r = Run({"--interaction=off", "--output=" + dir + "/off.png"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Shortest Distance: 2.58479 AU\n");
}

TEST_F(Render, ARunWithoutStepsReportsEighty) {
  const ProcessResult r = Run({"--years", "1", "--step", "250", "--output", dir + "/short.png"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Shortest Distance: 80.00000 AU\n");
}

TEST_F(Render, BadNumbersGetTheDialogsMessagesAndWriteNothing) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--step", "0"}, "Please enter an integer between 1 and 250."},
      {{"--step", "-5"}, "Please enter an integer between 1 and 250."},
      {{"--years", "50001"}, "Please enter an integer between 1 and 50000."},
      {{"--years", "12345678901"}, "Please enter an integer between 1 and 50000."},
      {{"--years", "1.5"}, "Please enter an integer."},
      {{"--years", ""}, "Please enter an integer."},
      {{"--speed", "6"}, "Please enter an integer between 1 and 5."},
      {{"--speed", "x"}, "Please enter an integer."},
      // The step is checked before the duration.
      {{"--years", "abc", "--step", "999"}, "Please enter an integer between 1 and 250."},
  };
  const std::string out = dir + "/bad.png";
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--output", out});
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(FileExists(out));
  }
}

TEST_F(Render, UsageErrors) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--bogus"},
                                             {"--interaction", "maybe"},
                                             {"--years"},
                                             {"stray"},
                                             {"--paced=1"},
                                             {"--samples="},
                                             {"-h"},
                                             {"--help=x"}}) {
    const ProcessResult r = Run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("usage: quorvex-render"), std::string::npos) << r.err;
  }
  const ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--samples FILE.csv"), std::string::npos);
}

TEST_F(Render, AnUnwritableOutputNamesTheFile) {
  const std::string out = dir + "/missing/dir/x.png";
  const ProcessResult r = Run({"--output", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write " + out), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(Render, SamplesAreWrittenAsCsv) {
  const std::string csv = dir + "/samples.csv";
  const ProcessResult r = Run({"--years", "1", "--step", "50", "--output", dir + "/s.png", "--samples", csv});
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream in(testing::ReadFile(csv));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line,
            "step,t,pluto_x,pluto_y,pluto_z,pluto_vx,pluto_vy,pluto_vz,neptune_x,neptune_y,neptune_z,"
            "separation,speed,neptune_rot_x,neptune_rot_y,neptune_rot_z,pluto_rot_x,pluto_rot_y,pluto_rot_z");
  std::vector<std::string> rows;
  while (std::getline(in, line)) rows.push_back(line);
  ASSERT_EQ(rows.size(), 6u);  // t = 100 .. 350
  std::vector<double> first;
  std::istringstream cells(rows[0]);
  std::string cell;
  while (std::getline(cells, cell, ',')) first.push_back(std::stod(cell));
  ASSERT_EQ(first.size(), 19u);
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(first[1], 100);
  EXPECT_NEAR(first[2], -9.579385, 5e-6);
  EXPECT_NEAR(first[11], 27.43622, 5e-6);
  EXPECT_NEAR(first[12], 0.003473085, 5e-10);
  EXPECT_EQ(rows[5].substr(0, 6), "6,350,");
}

TEST_F(Render, AnInterruptedRunWritesNothing) {
  const ProcessResult r = testing::RunProcess(
      // Paced at speed 1 with step 250 the run pauses after every step: slow,
      // with little written.
      QUORVEX_RENDER,
      {"--years", "50000", "--step", "250", "--speed", "1", "--paced", "--output", dir + "/x.png",
       "--samples", dir + "/x.csv"},
      {}, 300);
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("interrupted"), std::string::npos);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(testing::RunProcess("/bin/ls", {"-A", dir}).out, "");
}

TEST_F(Render, WorksWithoutAnyFont) {
  // An empty font configuration: the picture is still made, with a warning.
  const std::string conf = dir + "/fonts.conf";
  testing::RunProcess("/bin/sh", {"-c", "printf '<fontconfig></fontconfig>' > " + conf});
  const ProcessResult r =
      Run({"--years", "100", "--output", dir + "/nofont.png"}, {{"FONTCONFIG_FILE", conf}});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("warning"), std::string::npos);
  EXPECT_EQ(r.err.find("warning", r.err.find("warning") + 1), std::string::npos) << "warned once";
  EXPECT_TRUE(FileExists(dir + "/nofont.png"));
}

TEST_F(Render, VersionNamesTheProgram) {
  const ProcessResult r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "quorvex-render " QUORVEX_EXPECTED_VERSION "\n");
}

// What stands in a folder: names, types, modes, inodes, sizes, times and link
// targets. Equal snapshots mean nothing was replaced, written, or left behind.
std::string Snapshot(const std::string& dir) {
  return testing::RunProcess("/bin/sh",
                             {"-c", "find \"$0\" -mindepth 1 -printf '%P %M %i %s %T@ %l\\n' | sort", dir})
      .out;
}

// An old picture and samples file, a private file and a link to it, a
// directory and a FIFO.
void MakeTargets(const std::string& dir) {
  const std::string script =
      "cd \"$0\" && echo old > old.png && echo old > old.csv && echo secret > private && chmod 600 private"
      " && ln -s private link && mkdir dir sub && mkfifo fifo";
  ASSERT_EQ(testing::RunProcess("/bin/sh", {"-c", script, dir}).status, 0);
}

bool IsCharacterDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A private copy of the device /dev/<name> in `dir` where this process may
// make one, so that a renderer that wrongly replaced its target would replace
// the copy, never the system's node; else the system's node itself (which
// such a process cannot replace either).
std::string Device(const std::string& dir, const std::string& name, unsigned minor) {
  const std::string copy = dir + "/" + name;
  if (mknod(copy.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0) {
    const int fd = open(copy.c_str(), O_WRONLY);
    if (fd >= 0) {
      close(fd);
      return copy;
    }
    unlink(copy.c_str());
  }
  return "/dev/" + name;
}

TEST_F(Render, FailedOrConflictingRunsLeaveEveryTargetAsItWas) {
  MakeTargets(dir);
  const std::string d = dir + "/";
  const std::string full = Device(dir, "full", 7);
  const struct {
    std::string output;
    std::string samples;
    int status;
    std::string message;
  } cases[] = {
      // One file under two spellings: refused before the run.
      {d + "new", d + "./new", 2, "--output and --samples name the same file"},
      {d + "old.png", d + "sub/../old.png", 2, "--output and --samples name the same file"},
      {d + "link", d + "private", 2, "--output and --samples name the same file"},
      // A directory is refused before the run, the CSV untouched.
      {d + "dir", d + "old.csv", 1, "cannot write " + d + "dir: Is a directory"},
      {d + "old.png", d + "new/", 1, "cannot write " + d + "new/: a name ending in / stands for a directory"},
      // ... and before the FIFO is opened, which would wait for a reader.
      {d + "fifo", d + "dir", 1, "cannot write " + d + "dir: Is a directory"},
      // A full device: the samples end the run at once, the picture fails
      // when written; the other target keeps its old content and no
      // temporary is left.
      {d + "link", full, 1, "cannot write " + full + ": No space left on device"},
      {full, d + "old.csv", 1, "cannot write " + full + ": No space left on device"},
  };
  const std::string before = Snapshot(dir);
  for (const auto& c : cases) {
    const ProcessResult r = Run({"--years", "1000", "--output", c.output, "--samples", c.samples});
    EXPECT_EQ(r.status, c.status) << c.output << " " << c.samples << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Snapshot(dir), before) << c.output << " " << c.samples;
  }
  EXPECT_TRUE(IsCharacterDevice(full));
  EXPECT_EQ(testing::ReadFile(dir + "/private"), "secret\n");
}

TEST_F(Render, EachKindOfTargetIsWrittenAsWhatItIs) {
  MakeTargets(dir);
  const std::string d = dir + "/";
  // The link's file gets the picture and keeps its mode; the FIFO's reader
  // gets the samples; the longest legal name still has room for a temporary.
  const std::string script =
      "timeout 30 cat \"$1\" > \"$1.csv\" & \"$0\" --years 1000 --output \"$2\" --samples \"$1\"; s=$?; "
      "wait; exit $s";
  const ProcessResult r =
      testing::RunProcess("/bin/sh", {"-c", script, QUORVEX_RENDER, d + "fifo", d + "link"});
  ASSERT_EQ(r.status, 0) << r.err;
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::is_symlink(d + "link"));
  EXPECT_EQ(fs::status(d + "private").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  testing::Picture pic;
  EXPECT_TRUE(testing::ReadPng(d + "private", pic));
  EXPECT_TRUE(fs::is_fifo(d + "fifo"));
  EXPECT_EQ(testing::ReadFile(d + "fifo.csv").substr(0, 7), "step,t,");

  const std::string longName = d + std::string(255 - 4, 'n') + ".png";
  const std::string null = Device(dir, "null", 3);
  const ProcessResult nul = Run({"--years", "1000", "--output", longName, "--samples", null});
  ASSERT_EQ(nul.status, 0) << nul.err;
  EXPECT_TRUE(testing::ReadPng(longName, pic));
  EXPECT_TRUE(IsCharacterDevice(null));
  // The seven targets, the FIFO's copy, the long name and perhaps the null
  // device's copy: nothing else.
  EXPECT_EQ(testing::RunProcess("/bin/sh", {"-c", "ls -A \"$0\" | wc -l", dir}).out,
            null.starts_with(dir) ? "10\n" : "9\n");
}

TEST_F(Render, ClosedOrFailingStandardStreams) {
  // No font: the warning is forced, and must not end up in the picture.
  const std::string conf = dir + "/fonts.conf";
  testing::RunProcess("/bin/sh", {"-c", "printf '<fontconfig></fontconfig>' > \"$0\"", conf});
  const std::string png = dir + "/x.png";
  const struct {
    std::vector<int> closed;
    std::string stdoutPath;
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      // Diagnostics go nowhere rather than into the picture.
      {{2}, "", {"--years", "1000", "--output", png}, 0, ""},
      // The closing line cannot be given: a failure, the picture still made.
      {{0, 1, 2}, "", {"--years", "1000", "--output", png}, 1, ""},
      {{},
       "/dev/full",
       {"--years", "1000", "--output", png},
       1,
       "cannot write standard output: No space left on device"},
      {{}, "/dev/full", {"--help"}, 1, "cannot write standard output: No space left on device"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(png);
    testing::ProcessOptions o;
    o.env = {{"FONTCONFIG_FILE", conf}};
    o.closedFds = c.closed;
    o.stdoutPath = c.stdoutPath;
    const ProcessResult r = testing::RunProcess(QUORVEX_RENDER, c.args, o);
    EXPECT_EQ(r.status, c.status) << c.closed.size() << " " << c.stdoutPath << " " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (c.closed == std::vector<int>{2}) {
      EXPECT_EQ(r.out.substr(0, 18), "Shortest Distance:");
    }
    testing::Picture pic;
    if (c.args[0] != "--help") {
      EXPECT_TRUE(testing::ReadPng(png, pic)) << c.closed.size() << " " << c.stdoutPath;
    }
  }
}

TEST_F(Render, EveryTerminatingSignalLeavesNoFile) {
  const std::string d = dir + "/";
  const struct {
    int signal;
    bool ignored;
    int status;
  } cases[] = {
      {SIGINT, false, 130},
      {SIGTERM, false, 143},
      {SIGHUP, false, 129},
      {SIGQUIT, false, 131},
      // Started with the signal ignored (nohup): it stays ignored.
      {SIGHUP, true, 0},
  };
  for (const auto& c : cases) {
    testing::RunProcess("/bin/sh", {"-c", "rm -rf \"$0\"* && echo old > \"$0old.png\"", d});
    const std::string before = Snapshot(dir);
    testing::ProcessOptions o;
    o.signal = c.signal;
    if (c.ignored) o.ignoredSignals = {c.signal};
    // Sent once both temporaries exist, i.e. mid-run.
    o.sendWhen = [&] {
      int n = 0;
      for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.path().filename() != "old.png";
      return n == 2;
    };
    // Paced at speed 1 with step 250 the run pauses after every step: slow,
    // with little written. Ignoring the signal, a shorter one finishes.
    const ProcessResult r =
        testing::RunProcess(QUORVEX_RENDER,
                            {"--years", c.ignored ? "50" : "50000", "--step", "250", "--speed", "1",
                             "--paced", "--output", d + "old.png", "--samples", d + "new.csv"},
                            o);
    EXPECT_EQ(r.status, c.status) << c.signal << " " << r.err;
    if (c.ignored) {
      EXPECT_EQ(testing::RunProcess("/bin/ls", {"-A", dir}).out, "new.csv\nold.png\n");
    } else {
      EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
      EXPECT_EQ(Snapshot(dir), before) << c.signal;
    }
  }
}

// The .qv- files anywhere under a folder.
std::string Temporaries(const std::string& dir) {
  return testing::RunProcess("/bin/sh", {"-c", "find \"$0\" -name '.qv-*'", dir}).out;
}

int TemporariesIn(const std::string& dir) {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    n += e.path().filename().string().starts_with(".qv-");
  return n;
}

// A file the kernel refuses to replace, as root may make it; false where the
// file system cannot.
bool MakeImmutable(const std::string& path, bool on = true) {
  return testing::RunProcess("/usr/bin/chattr", {on ? "+i" : "-i", path}).status == 0;
}

TEST_F(Render, BothOutputsArePutInPlaceOrNeither) {
  // The picture cannot replace its target: refused before the run, or
  // failing after it; the samples file, replaced first, gets its old content
  // back, and no temporary is left.
  const std::string probe = dir + "/probe";
  testing::RunProcess("/bin/sh", {"-c", "echo > \"$0\"", probe});
  if (!MakeImmutable(probe))
    GTEST_SKIP() << "chattr +i is not possible here (not root, or the file system lacks it)";
  MakeImmutable(probe, false);

  const std::string p = dir + "/p";
  const std::string c = dir + "/c";
  const std::string png = p + "/old.png";
  const std::string csv = c + "/old.csv";
  const struct {
    const char* name;
    std::function<void()> before;  // makes the picture's target unreplaceable before the run
    std::function<void()> during;  // ... or once both temporaries exist
    std::string message;
  } cases[] = {
      {"immutable", [&] { MakeImmutable(png); }, nullptr,
       "cannot write " + png + ": Operation not permitted (the file is immutable or append-only)"},
      {"immutable during the run", nullptr, [&] { MakeImmutable(png); },
       "cannot write " + png + ": Operation not permitted; " + csv + " left as it was"},
      {"folder removed during the run", nullptr, [&] { std::filesystem::remove_all(p); },
       "cannot write " + png + ": No such file or directory; " + csv + " left as it was"},
  };
  for (const auto& k : cases) {
    testing::RunProcess(
        "/bin/sh",
        {"-c", "mkdir -p \"$0\" \"$1\" && echo old > \"$0/old.png\" && echo old > \"$1/old.csv\"", p, c});
    if (k.before) k.before();
    const std::string pictureBefore = Snapshot(p);
    const std::string samplesBefore = Snapshot(c);
    testing::ProcessOptions o;
    if (k.during) {
      o.sendWhen = [&] {
        if (TemporariesIn(p) + TemporariesIn(c) < 2) return false;
        k.during();
        return true;
      };
    }
    // Paced at speed 1 with step 250: about 1.5 s, with little written.
    const ProcessResult r = testing::RunProcess(
        QUORVEX_RENDER,
        {"--years", "1000", "--step", "250", "--speed", "1", "--paced", "--output", png, "--samples", csv},
        o);
    MakeImmutable(png, false);
    EXPECT_EQ(r.status, 1) << k.name << ": " << r.err;
    EXPECT_NE(r.err.find(k.message), std::string::npos) << k.name << ": " << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Snapshot(c), samplesBefore) << k.name;
    if (std::filesystem::exists(p)) {
      EXPECT_EQ(Snapshot(p), pictureBefore) << k.name;
    }
    EXPECT_EQ(Temporaries(dir), "") << k.name;
    std::filesystem::remove_all(p);
    std::filesystem::remove_all(c);
  }
}

TEST_F(Render, AnotherUsersFileInAStickyFolderIsRefusedBeforeTheRun) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run the renderer as another user";
  if (!testing::ReachableByEveryone(dir))
    GTEST_SKIP() << "user 65534 cannot enter " << dir << " (TMPDIR lies in a private folder)";
  // A sticky folder open to all, the picture's target root's, the samples'
  // target the renderer's own: only the picture cannot be replaced.
  const std::string s = dir + "/sticky";
  const std::string script =
      "chmod 755 \"$0\" && mkdir -m 1777 \"$1\" && echo old > \"$1/old.png\" && chmod 666 \"$1/old.png\""
      " && echo old > \"$1/old.csv\" && chown 65534:65534 \"$1/old.csv\"";
  ASSERT_EQ(testing::RunProcess("/bin/sh", {"-c", script, dir, s}).status, 0);
  const std::string before = Snapshot(s);
  testing::ProcessOptions o;
  o.runAsUser = 65534;
  o.runAsGroup = 65534;
  const ProcessResult r = testing::RunProcess(
      QUORVEX_RENDER, {"--years", "1000", "--output", s + "/old.png", "--samples", s + "/old.csv"}, o);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("cannot write " + s +
                       "/old.png: Operation not permitted (another user's file in a folder "
                       "with the sticky bit)"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Snapshot(s), before);
}

TEST_F(Render, RunningOutOfMemoryIsAMessageAndLeavesEveryFileAsItWas) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer cannot run in a small address space";
#else
  // Limits from where the program cannot even be loaded (127) to where the
  // run has all it needs; in between, wherever an allocation fails, a
  // message and exit 1, never an abort. Without fonts: fontconfig itself
  // does not survive every failed allocation (it can crash in FcFontMatch
  // while the fonts load, before any file is made).
  const std::string conf = dir + "/fonts.conf";
  testing::RunProcess("/bin/sh", {"-c", "printf '<fontconfig></fontconfig>' > \"$0\"", conf});
  int outOfMemory = 0;
  for (long long kb = 6000; kb <= 12000; kb += 250) {
    testing::RunProcess("/bin/sh", {"-c", "echo old > \"$0/e.png\" && echo old > \"$0/e.csv\"", dir});
    const std::string before = Snapshot(dir);
    testing::ProcessOptions o;
    o.addressSpaceLimit = kb * 1024;
    o.env = {{"FONTCONFIG_FILE", conf}};
    const ProcessResult r = testing::RunProcess(
        QUORVEX_RENDER,
        {"--years", "100", "--step", "1", "--output", dir + "/e.png", "--samples", dir + "/e.csv"}, o);
    EXPECT_TRUE(r.status == 0 || r.status == 1 || r.status == 127)
        << kb << " KB: " << r.status << " " << r.err;
    if (r.status != 0) {
      EXPECT_EQ(Snapshot(dir), before) << kb << " KB";
      outOfMemory += r.err.find("quorvex-render: out of memory; nothing written") != std::string::npos;
    }
    EXPECT_EQ(Temporaries(dir), "") << kb << " KB";
  }
  EXPECT_GT(outOfMemory, 0) << "no limit ran out of memory inside the program";
#endif
}

TEST_F(Render, AFolderMovedDuringTheRunKeepsNoTemporary) {
  // Interrupted after the folder was moved away and another made in its
  // place: the temporaries are removed from the moved folder.
  const std::string a = dir + "/A";
  testing::RunProcess("/bin/sh",
                      {"-c", "mkdir \"$0\" && echo old > \"$0/old.png\" && echo old > \"$0/old.csv\"", a});
  const std::string before = Snapshot(a);
  testing::ProcessOptions o;
  o.signal = SIGINT;
  o.sendWhen = [&] {
    if (TemporariesIn(a) < 2) return false;
    std::filesystem::rename(a, dir + "/A2");
    std::filesystem::create_directory(a);
    return true;
  };
  const ProcessResult r = testing::RunProcess(QUORVEX_RENDER,
                                              {"--years", "50000", "--step", "250", "--speed", "1", "--paced",
                                               "--output", a + "/old.png", "--samples", a + "/old.csv"},
                                              o);
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_EQ(Snapshot(dir + "/A2"), before);
  EXPECT_EQ(Snapshot(a), "");
  EXPECT_EQ(Temporaries(dir), "");
}

TEST_F(Render, TheFirstStopRequestDecides) {
  // Sent one right after the other, both are usually pending together when
  // the program next runs; the system hands over the lower-numbered one
  // first, and the second must not overrule it.
  const struct {
    int first;
    int second;
    int status;
  } cases[] = {
      {SIGINT, SIGTERM, 130}, {SIGHUP, SIGTERM, 129}, {SIGINT, SIGQUIT, 130}, {SIGQUIT, SIGTERM, 131}};
  for (const auto& c : cases) {
    for (int repeat = 0; repeat < 5; ++repeat) {
      testing::ProcessOptions o;
      o.signal = c.first;
      o.thenSignal = c.second;
      o.sendWhen = [&] { return TemporariesIn(dir) == 2; };
      const ProcessResult r = testing::RunProcess(
          QUORVEX_RENDER,
          {"--years", "50000", "--step", "1", "--output", dir + "/x.png", "--samples", dir + "/x.csv"}, o);
      EXPECT_EQ(r.status, c.status) << c.first << " then " << c.second << ": " << r.err;
      EXPECT_EQ(Temporaries(dir), "");
    }
  }
}

TEST_F(Render, AnInterruptSaysWhatAPipeAlreadyReceived) {
  // Samples into a FIFO whose reader keeps them; interrupted once rows have
  // arrived, the message says so instead of "nothing written".
  const std::string fifo = dir + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string got = dir + "/got.csv";
  const pid_t reader = fork();
  if (reader == 0) {
    execl("/bin/sh", "sh", "-c", "cat \"$0\" > \"$1\"", fifo.c_str(), got.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  testing::ProcessOptions o;
  o.signal = SIGINT;
  o.sendWhen = [&] { return testing::ReadFile(got).size() > 100000; };
  const ProcessResult r = testing::RunProcess(
      QUORVEX_RENDER, {"--years", "50000", "--step", "1", "--output", dir + "/x.png", "--samples", fifo}, o);
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("interrupted; the samples up to step "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" went to " + fifo + "; nothing else written"), std::string::npos) << r.err;
  EXPECT_FALSE(FileExists(dir + "/x.png"));
  EXPECT_EQ(Temporaries(dir), "");
}

TEST_F(Render, DescriptorNamesAreWrittenThroughTheDescriptor) {
  // Each command writes the picture through an open descriptor; the
  // closing line then goes to standard error when the picture went to
  // standard output. The file a shell opened is written, never replaced.
  const std::string sh = "R=\"$0\"; cd \"$1\" && ";
  const struct {
    std::string script;
    std::string picture;  // where the picture must be found
    bool closingOnStderr;
  } cases[] = {
      {sh + ": > s.bin && ls -i s.bin > before && \"$R\" --years 10 --output /dev/stdout > s.bin && ls -i "
            "s.bin | cmp - before",
       "s.bin", true},
      {sh + "\"$R\" --years 10 --output - > s.bin", "s.bin", true},
      {sh + "\"$R\" --years 10 --output /dev/fd/5 5> fd.png", "fd.png", false},
      {sh + "\"$R\" --years 10 --output /proc/self/fd/7 7> fd.png", "fd.png", false},
      {sh + "\"$R\" --years 10 --output - | cat > piped.png", "piped.png", true},
      {sh + "exec bash -c '\"$0\" --years 10 --output >(cat > sub.png); sleep 0.5' \"$R\"", "sub.png", false},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    const ProcessResult r = testing::RunProcess("/bin/sh", {"-c", c.script, QUORVEX_RENDER, dir});
    EXPECT_EQ(r.status, 0) << c.script << ": " << r.err;
    testing::Picture pic;
    EXPECT_TRUE(testing::ReadPng(dir + "/" + c.picture, pic)) << c.script;
    const std::string& closing = c.closingOnStderr ? r.err : r.out;
    EXPECT_NE(closing.find("Shortest Distance: 27.29504 AU\n"), std::string::npos)
        << c.script << ": " << r.err;
    EXPECT_EQ(Temporaries(dir), "");
  }
  // Standard output named twice is one file.
  const ProcessResult twice = Run({"--years", "10", "--output", "-", "--samples", "/dev/stdout"});
  EXPECT_EQ(twice.status, 2) << twice.err;
  EXPECT_NE(twice.err.find("--output and --samples name the same file"), std::string::npos);
}

// Runs the renderer with standard error on a terminal `columns` wide and
// returns what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args, int columns) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = static_cast<unsigned short>(columns);
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return "openpty failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(master);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(slave, 2);
    std::vector<char*> argv{const_cast<char*>(QUORVEX_RENDER)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QUORVEX_RENDER, argv.data());
    _exit(127);
  }
  close(slave);
  std::string got;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the program has closed the terminal
    got.append(buf, static_cast<size_t>(n));
  }
  close(master);
  waitpid(pid, nullptr, 0);
  return got;
}

TEST_F(Render, TheProgressBarFitsTheTerminal) {
  // The bar is first drawn 100 ms into a run: this one takes several times
  // that (at step 10 it could end before, and the terminal got nothing).
  for (const int columns : {80, 53, 12, 3}) {
    const std::string got =
        RunOnTerminal({"--years", "50000", "--step", "2", "--output", dir + "/x.png"}, columns);
    EXPECT_EQ(got.find('\033'), std::string::npos) << columns;
    EXPECT_EQ(got.find('\n'), std::string::npos) << columns << " columns: " << got.substr(0, 200);
    // Every drawing of the line, between carriage returns, leaves the last
    // column free.
    size_t longest = 0;
    size_t from = 0;
    for (size_t cr; (cr = got.find('\r', from)) != std::string::npos; from = cr + 1)
      longest = std::max(longest, cr - from);
    longest = std::max(longest, got.size() - from);
    EXPECT_LT(longest, static_cast<size_t>(columns)) << columns;
    if (columns >= 53) {
      EXPECT_NE(got.find("[#"), std::string::npos) << columns << ": " << got.substr(0, 200);
    }
    // Cleared at the end: the last drawing is blanks only.
    if (!got.empty()) {
      ASSERT_EQ(got.back(), '\r') << columns;
      const size_t end = got.size() - 1;
      const size_t previous = end == 0 ? std::string::npos : got.rfind('\r', end - 1);
      const size_t begin = previous == std::string::npos ? 0 : previous + 1;
      EXPECT_EQ(got.substr(begin, end - begin).find_first_not_of(' '), std::string::npos) << columns;
    }
  }
}

}  // namespace
}  // namespace quorvex
