#pragma once

#include "output/message_box.h"
#include "platform/data_source.h"
#include "platform/grid.h"

// Prints the sheet held by the grid on the default printer, with the same print settings as
// the preview. When the sheet cannot be printed (no default printer, or the printer refuses the
// job) the user is told why in an error message; a job the printer accepted shows nothing.
void PrintSheet(DataSource& source, Grid& grid, MessageBox& messages);
