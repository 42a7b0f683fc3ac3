#include "app/program_icon.h"

namespace quorvex {

QIcon ProgramIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/quorvex-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/icons/quorvex-16.png"), QSize(16, 16));
  return icon;
}

}  // namespace quorvex
