#pragma once

#include <algorithm>
#include <deque>
#include <optional>

namespace quorvex {

// Menu commands chosen while a run is in progress wait for it to end and are
// then carried out one at a time in the order chosen, each once however
// often it was chosen meanwhile. A command that starts a new run holds the
// rest back until that run has ended too.
template <class Command>
class PendingCommands {
 public:
  // Whether `command` may be carried out now; if not, it waits (once).
  bool Offer(Command command, bool runInProgress) {
    if (!runInProgress && waiting_.empty()) return true;
    if (std::find(waiting_.begin(), waiting_.end(), command) == waiting_.end()) waiting_.push_back(command);
    return false;
  }
  // The next waiting command to carry out now, if any.
  std::optional<Command> Take(bool runInProgress) {
    if (runInProgress || waiting_.empty()) return std::nullopt;
    const Command command = waiting_.front();
    waiting_.pop_front();
    return command;
  }
  bool empty() const { return waiting_.empty(); }
  void clear() { waiting_.clear(); }

 private:
  std::deque<Command> waiting_;
};

}  // namespace quorvex
