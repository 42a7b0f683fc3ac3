// The session's rules, once for every shell: accepting, enabling the plot,
// commands waiting for a run's end, the busy state, restarting and closing.

#include "shells/core/session.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvex {
namespace {

using Command = Session::Command;
enum class Op { Restart, AcceptGood, AcceptBad, OfferNew, OfferAbout, Take, EndRun, Close };
constexpr int kNone = -1;

TEST(Session, AcceptsRestartsAndHoldsCommandsBackUntilTheRunEnds) {
  // One event each, and afterwards: its result (Accept: read well; Offer:
  // carried out now; Take: the command taken or kNone), the duration kept
  // (kNone before the first acceptance), a run in progress, busy.
  struct Row {
    Op op;
    int result, years;
    bool running, busy;
  };
  const int newValues = static_cast<int>(Command::EnterNewValues), about = static_cast<int>(Command::About);
  const Row rows[] = {
      {Op::Restart, 0, kNone, false, false},  // black: nothing accepted yet
      {Op::OfferAbout, 1, kNone, false, false},
      {Op::AcceptBad, 0, kNone, false, false},
      {Op::AcceptGood, 1, 200, false, false},  // kept; the view restarts when told
      {Op::Restart, 0, 200, true, false},
      {Op::OfferNew, 0, 200, true, true},  // waits for the run's end
      {Op::OfferAbout, 0, 200, true, true},
      {Op::OfferNew, 0, 200, true, true},   // waits once
      {Op::Take, kNone, 200, true, true},   // not during the run
      {Op::AcceptBad, 0, 200, true, true},  // keeps what was accepted before
      {Op::EndRun, 0, 200, false, true},
      {Op::Take, newValues, 200, false, true},
      {Op::Take, about, 200, false, false},
      {Op::Take, kNone, 200, false, false},
      {Op::Restart, 0, 200, true, false},
      {Op::OfferAbout, 0, 200, true, true},
      {Op::Close, 0, 200, false, false},  // drops the run and what waits
  };
  Session session(1);
  int i = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << i++);
    int result = 0;
    switch (row.op) {
      case Op::Restart: {
        session.Restart(kCanvasWidth, kCanvasHeight);
        const std::vector<Color>& px = session.run().canvas().pixels();
        // Black until a dialog has been accepted, then the chart.
        EXPECT_EQ(std::count(px.begin(), px.end(), kBlack) == std::ssize(px), row.years == kNone);
        break;
      }
      case Op::AcceptGood:
      case Op::AcceptBad: {
        const RunValuesReading r =
            session.Accept(row.op == Op::AcceptGood ? RunValueTexts{" 200 ", "+7", "4", Interaction::Off}
                                                    : RunValueTexts{"", "50", "5"});
        result = r.values.has_value();
        EXPECT_EQ(r.message, result ? "" : "Please enter an integer.");
        break;
      }
      case Op::OfferNew:
      case Op::OfferAbout:
        result = session.Offer(row.op == Op::OfferNew ? Command::EnterNewValues : Command::About);
        break;
      case Op::Take: {
        const std::optional<Command> taken = session.Take();
        result = taken ? static_cast<int>(*taken) : kNone;
        break;
      }
      case Op::EndRun:
        session.run().RequestStop();
        while (!session.run().RunSlice().over) {
        }
        break;
      case Op::Close:
        session.Close();
        break;
    }
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(session.plotEnabled(), row.years != kNone);
    EXPECT_EQ(session.DialogValues().durationYears, row.years == kNone ? 35000 : row.years);
    EXPECT_EQ(session.run().runInProgress(), row.running);
    EXPECT_EQ(session.busy(), row.busy);
  }
}

}  // namespace
}  // namespace quorvex
