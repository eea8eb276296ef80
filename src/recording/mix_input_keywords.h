#pragma once

#include <QString>

// Whether an input's name marks it as the mix input, which carries what the computer
// plays: its lower-cased form contains one of the keywords.
bool IsMixInputName(const QString& name);
