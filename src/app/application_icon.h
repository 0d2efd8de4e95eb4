#pragma once

#include <QIcon>

// The program's icon, a sheet of sums with a pencil, in 16, 32, 48 and 64 pixels.
QIcon ApplicationIcon();
