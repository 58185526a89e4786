#pragma once
// Printing as the reports need it: lines of text one below another in the
// printer's current font, a new page whenever a page is full, no page breaks,
// headers or numbers of the program's own.

#include <QPrinter>
#include <QString>
#include <memory>
#include <vector>

#include "desktop/app/services.h"

namespace tallix {

// Paints `lines` onto `printer` as one document. Returns false, with `error`
// set to a sentence saying why, when the job cannot be started or the printer
// reports a failure.
bool PaintLines(QPrinter& printer, const std::vector<QString>& lines, QString* error);

// Jobs on one QPrinter that lives for the whole run, so that the choices made
// in the printer dialog reach every later job. A job gathers its lines and
// paints them when the document ends, so a failing printer leaves nothing
// half-printed behind in the program.
class QtLinePrinterFactory : public LinePrinterFactory {
 public:
  QtLinePrinterFactory();

  std::unique_ptr<LinePrinter> StartJob() override;
  QPrinter& Printer() override { return printer_; }

 private:
  QPrinter printer_;
};

}  // namespace tallix
