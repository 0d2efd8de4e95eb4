#pragma once

#include <string>

#include "platform/sheet_pages.h"
#include "platform/sheet_set.h"

// Saving a class set as one PDF file, for sending it on or printing it elsewhere.

// The file name offered for an export made on the given day: "四则运算练习-2026-12-09.pdf".
std::string SuggestedPdfFileName(int year, int month, int day);

enum class ExportOutcome {
    Saved,      // the file holds the whole set
    Cancelled,  // stopped through the progress report; nothing was written
    Failed,     // the file could not be written; nothing was written
};

struct ExportResult {
    ExportOutcome outcome = ExportOutcome::Failed;
    std::string reason;  // with Failed: the message for the user, saying why
};

// Writes the set to the file at `path` as one PDF document, one sheet per page, with the
// renderer, page and margins of the printout on the default printer. The file is replaced only
// once it is complete: on failure or cancel an earlier file of that name stays as it was and no
// part of the new one is left behind.
ExportResult ExportSheetSet(const SheetSet& set, const std::string& path,
                            const PagesProgress& progress = {});
