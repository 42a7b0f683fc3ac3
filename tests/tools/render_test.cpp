#include <gtest/gtest.h>

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
  Canvas canvas(640, 480, fonts.system.get());
  PaintViewBackground(canvas, true, fonts);
  RunParameters p;
  p.plotEnabled = 1;
  RunPlot(canvas, p, {}, [] {});
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
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--interaction", "maybe"}, {"--years"}, {"stray"}, {"--paced=1"}}) {
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
  EXPECT_EQ(r.out, "quorvex-render 1.0.0.1\n");
}

}  // namespace
}  // namespace quorvex
