#include "shells/core/session.h"

namespace quorvex {

RunValuesReading Session::Accept(const RunValueTexts& texts) {
  RunValuesReading reading = ReadRunValues(texts);
  if (reading.values) values_ = reading.values;
  return reading;
}

void Session::Close() {
  pending_.clear();
  run_.Abandon();
}

}  // namespace quorvex
