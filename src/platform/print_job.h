#pragma once

#include <QByteArray>
#include <QMarginsF>
#include <QString>
#include <string>

#include "platform/grid_print_settings.h"

// Print jobs as CUPS takes them: a PDF document handed over directly, so that every print asks
// CUPS afresh which printer is the default and a job that CUPS refuses is reported back.

inline constexpr const char* kPrintJobTitle = "四则运算练习";
inline constexpr const char* kNoDefaultPrinterText =
    "没有默认打印机，练习题没有打印。请在“打印机”列表里选一台打印机，"
    "点“设置默认打印机”，然后再打印。";
inline constexpr const char* kNotRenderedText = "练习题没能排成打印页面，没有打印。";

// The unprintable edges of the printer, in millimetres, for the paper and orientation of the
// settings; null when there is no such printer or it does not say. The preview's page has the same
// edges, since its printer is the default one too.
QMarginsF PrintableMinimum(const std::string& printer, const GridPrintSettings& settings);

// Sends the PDF document as one job of its own to the printer, titled `title` (the sheet's title
// when empty). Returns "" when CUPS accepted it, otherwise a message saying that and why the
// printer did not take it.
std::string SubmitPdfJob(const std::string& printer, const QByteArray& pdf,
                         const QString& title = {});
