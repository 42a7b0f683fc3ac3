#pragma once

#include <gtest/gtest.h>

#include "orbit/vec3.h"

namespace quorvex::testing {

inline void ExpectNear(const Vec3& v, double x, double y, double z, double tol) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

}  // namespace quorvex::testing
