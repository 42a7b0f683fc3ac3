#pragma once

#include <QIcon>

namespace quorvex {

// The program's icon, built into the program: 16, 32, 64 and 128 pixels
// square, so that it is sharp at any scale factor.
QIcon ProgramIcon();

}  // namespace quorvex
