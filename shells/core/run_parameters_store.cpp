#include "shells/core/run_parameters_store.h"

namespace quorvex {

RunParameters& TheRunParameters() {
  static RunParameters parameters;
  return parameters;
}

}  // namespace quorvex
