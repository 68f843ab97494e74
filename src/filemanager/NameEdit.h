#pragma once

#include <string>

class QLineEdit;

// A file name (bytes) shown in an edit field for the user to change. The field holds text,
// and a name that is not valid UTF-8 does not survive the trip, so the name given back is
// the shown name's own bytes as long as the text is what was shown.
void ShowName(QLineEdit& edit, const std::string& name);
std::string EditedName(const QLineEdit& edit, const std::string& shown);
