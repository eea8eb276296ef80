#pragma once

#include <QSize>
#include <map>

#include "resources/dialog_template.h"

class QDialog;
class QWidget;
struct Platform;

// Creates the controls of a template inside a dialog at their converted rectangles and
// sizes the dialog; answers the controls by id. Links open through the platform.
std::map<int, QWidget*> BuildControls(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                      Platform& platform);
