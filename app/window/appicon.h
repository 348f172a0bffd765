#pragma once
// The program's icon (a modem box with an antenna), drawn from the SVG in the resources.
#include <QIcon>

namespace dtu {

// The icon at the usual window and task-bar sizes; null when the picture cannot be drawn.
QIcon AppIcon();

} // namespace dtu
