#pragma once

namespace quorvex {

// A vector in the heliocentric ecliptic frame: x toward the origin of
// longitudes, z along the ecliptic's normal, right-handed. Positions are in
// AU, velocities in AU/day, accelerations in AU/day^2.
struct Vec3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

}  // namespace quorvex
