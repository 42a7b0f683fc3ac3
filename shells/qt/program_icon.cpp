#include "shells/qt/program_icon.h"

namespace quorvex {

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 64, 128})
    icon.addFile(QStringLiteral(":/icons/quorvex-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace quorvex
