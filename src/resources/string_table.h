#pragma once

#include <QString>

// The program's string resources by id; empty for an unknown id.
QString LoadResourceString(int id);
