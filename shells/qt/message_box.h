#pragma once

#include <QString>

#include "shells/core/program.h"

class QWidget;

namespace quorvex {

// A modal message box captioned with the program's name, with the warning
// icon and one OK button.
void ShowWarning(QWidget* parent, const QString& text);

}  // namespace quorvex
