#pragma once

#include "core/expected.h"

#include <QWidget>
#include <functional>
#include <string>

class QPrinter;

namespace cvcfg {

// Writes a configuration sheet's HTML as a PDF file, through the one save
// routine.
[[nodiscard]] Status writeSheetPdf(const std::string& html, const std::string& path);

// Prints a configuration sheet's HTML on the printer the operator chose.
void printSheet(const std::string& html, QPrinter& printer);

// Asks the operator for a printer (the platform's print dialog, which offers
// a PDF file too); false when he cancels. Tests put a chooser of their own.
using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;
[[nodiscard]] PrinterChooser platformPrinterChooser();

} // namespace cvcfg
