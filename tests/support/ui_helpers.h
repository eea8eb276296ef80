#pragma once

#include <functional>

class QDialog;
class QImage;
class QWidget;

// Acts on the next modal dialog as soon as its event loop runs, as a user would.
void WhenModal(std::function<void(QDialog*)> action);

// The pixels of a widget with its children.
QImage RenderedImage(QWidget& widget);
