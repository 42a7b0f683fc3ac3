#pragma once

#include <QIcon>

namespace quorvex {

// The program's icon, built into the program: 32 x 32 and 16 x 16.
QIcon ProgramIcon();

}  // namespace quorvex
