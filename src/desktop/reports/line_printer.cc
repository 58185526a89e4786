#include "desktop/reports/line_printer.h"

#include <QFontMetrics>
#include <QPainter>

namespace tallix {
namespace {

class QtLinePrinter : public LinePrinter {
 public:
  explicit QtLinePrinter(QPrinter& printer) : printer_(printer) {}

  void PrintLine(const QString& text) override { lines_.push_back(text); }

  bool EndDoc(QString* error) override {
    // Without a printer Qt falls back to PDF output with no file to write to.
    if (printer_.outputFormat() == QPrinter::PdfFormat && printer_.outputFileName().isEmpty()) {
      *error =
          "No printer is available. Choose a printer, or printing to a file, in "
          "File > Page Setup.";
      return false;
    }
    return PaintLines(printer_, lines_, error);
  }

 private:
  QPrinter& printer_;
  std::vector<QString> lines_;
};

}  // namespace

bool PaintLines(QPrinter& printer, const std::vector<QString>& lines, QString* error) {
  QPainter painter;
  if (!painter.begin(&printer)) {
    const QString target = printer.outputFileName().isEmpty()
                               ? QString("the printer \"%1\"").arg(printer.printerName())
                               : QString("the file \"%1\"").arg(printer.outputFileName());
    *error = QString("The print job could not be started on %1.").arg(target);
    return false;
  }
  const QFontMetrics metrics(painter.font(), &printer);
  const int line_height = metrics.lineSpacing();
  const int page_height = painter.viewport().height();
  int y = 0;
  for (const QString& line : lines) {
    if (y > 0 && y + line_height > page_height) {
      if (!printer.newPage()) {
        painter.end();
        *error = "The printer could not start a new page.";
        return false;
      }
      y = 0;
    }
    painter.drawText(0, y + metrics.ascent(), line);
    y += line_height;
  }
  if (!painter.end() || printer.printerState() == QPrinter::Error) {
    *error = "The printer reported an error; the document may not have been printed.";
    return false;
  }
  return true;
}

QtLinePrinterFactory::QtLinePrinterFactory() : printer_(QPrinter::HighResolution) {}

std::unique_ptr<LinePrinter> QtLinePrinterFactory::StartJob() {
  return std::make_unique<QtLinePrinter>(printer_);
}

}  // namespace tallix
