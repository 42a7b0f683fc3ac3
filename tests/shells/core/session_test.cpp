// The session's rules, once for every shell: accepting the dialog's texts,
// the first acceptance enabling the plot, commands that wait for a run's
// end and the busy state, restarting and closing.

#include "shells/core/session.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvex {
namespace {

using Command = Session::Command;

enum class Op { Restart, Accept, Offer, Take, EndRun, Close };

// One event and what the session is like afterwards.
struct Row {
  Op op;
  RunValueTexts texts{};  // Accept
  Command command{};      // Offer
  // Accept: whether the texts were read well; Offer: whether the command is
  // carried out now.
  bool ok = true;
  std::optional<Command> taken{};  // Take
  std::optional<int> years{};      // the duration of the values kept, none before the first acceptance
  bool running = false;
  bool busy = false;
};

bool AllBlack(const Canvas& canvas) {
  for (Color c : canvas.pixels())
    if (c != kBlack) return false;
  return true;
}

TEST(Session, AcceptsRestartsAndHoldsCommandsBackUntilTheRunEnds) {
  const RunValueTexts good{" 200 ", "+7", "4", Interaction::Off};
  const RunValueTexts badStep{"abc", "0", "5"};
  const RunValueTexts badYears{"", "50", "5"};
  const Row rows[] = {
      // Before any acceptance: a black view, no run, commands at once.
      {Op::Restart},
      {Op::Offer, {}, Command::About, true},
      {Op::Accept, badStep, {}, false},
      // Accepting keeps the values; the view restarts only when told.
      {Op::Accept, good, {}, true, {}, 200},
      {Op::Restart, {}, {}, true, {}, 200, true},
      // During a run commands wait, each once, in the order chosen.
      {Op::Offer, {}, Command::EnterNewValues, false, {}, 200, true, true},
      {Op::Offer, {}, Command::About, false, {}, 200, true, true},
      {Op::Offer, {}, Command::EnterNewValues, false, {}, 200, true, true},
      {Op::Take, {}, {}, true, std::nullopt, 200, true, true},
      // A failed reading keeps the values accepted before.
      {Op::Accept, badYears, {}, false, {}, 200, true, true},
      {Op::EndRun, {}, {}, true, {}, 200, false, true},
      {Op::Take, {}, {}, true, Command::EnterNewValues, 200, false, true},
      {Op::Take, {}, {}, true, Command::About, 200, false, false},
      {Op::Take, {}, {}, true, std::nullopt, 200, false, false},
      // Closing drops the run and what waits.
      {Op::Restart, {}, {}, true, {}, 200, true},
      {Op::Offer, {}, Command::About, false, {}, 200, true, true},
      {Op::Close, {}, {}, true, {}, 200, false, false},
  };
  Session session(1);
  int i = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << i++);
    switch (row.op) {
      case Op::Restart:
        session.Restart(kCanvasWidth, kCanvasHeight);
        // Black until a dialog has been accepted, then the chart.
        EXPECT_EQ(AllBlack(session.run().canvas()), !row.years);
        break;
      case Op::Accept: {
        const RunValuesReading reading = session.Accept(row.texts);
        EXPECT_EQ(reading.values.has_value(), row.ok);
        if (!row.ok) {
          EXPECT_EQ(reading.message, ReadRunValues(row.texts).message);
        }
        break;
      }
      case Op::Offer:
        EXPECT_EQ(session.Offer(row.command), row.ok);
        break;
      case Op::Take:
        EXPECT_EQ(session.Take(), row.taken);
        break;
      case Op::EndRun:
        session.run().RequestStop();
        while (!session.run().RunSlice().over) {
        }
        break;
      case Op::Close:
        session.Close();
        break;
    }
    EXPECT_EQ(session.plotEnabled(), row.years.has_value());
    if (row.years) {
      EXPECT_EQ(session.values()->durationYears, *row.years);
    }
    EXPECT_EQ(session.DialogValues().durationYears, row.years.value_or(RunParameters{}.durationYears));
    EXPECT_EQ(session.run().runInProgress(), row.running);
    EXPECT_EQ(session.busy(), row.busy);
  }
  // The texts the dialog reopens with are those of the values kept.
  const RunValueTexts shown = TextsOf(session.DialogValues());
  EXPECT_EQ(shown.durationYears, "200");
  EXPECT_EQ(shown.stepDays, "7");
  EXPECT_EQ(shown.plotSpeed, "4");
  EXPECT_EQ(shown.interaction, Interaction::Off);
}

}  // namespace
}  // namespace quorvex
