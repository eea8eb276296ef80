#pragma once

#include <QSize>
#include <map>

#include "resources/dialog_template.h"

class QDialog;
class QWidget;

// Creates the controls of a template inside a dialog at their converted rectangles and
// sizes the dialog; answers the controls by id.
std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate);
