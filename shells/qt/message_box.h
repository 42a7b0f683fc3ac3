#pragma once

#include <QString>

class QWidget;

namespace quorvex {

// The program's name; the caption of the main window and of every message box.
inline const char kAppName[] = "Quorvex";

// A modal message box captioned with the program's name, with the warning
// icon and one OK button.
void ShowWarning(QWidget* parent, const QString& text);

}  // namespace quorvex
