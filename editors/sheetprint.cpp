#include "editors/sheetprint.h"

#include "core/savefile.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace cvcfg {

namespace {

void render(const std::string& html, QPagedPaintDevice& device) {
    QTextDocument document;
    document.setHtml(QString::fromStdString(html));
    document.print(&device);
}

} // namespace

Status writeSheetPdf(const std::string& html, const std::string& path) {
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QStringLiteral("Corvane configuration sheet"));
        writer.setCreator(QStringLiteral("CVCFG"));
        render(html, writer);
    }
    return SaveFile(path, {pdf.constData(), static_cast<std::size_t>(pdf.size())});
}

void printSheet(const std::string& html, QPrinter& printer) {
    render(html, printer);
}

PrinterChooser platformPrinterChooser() {
    return [](QPrinter& printer, QWidget* parent) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("Print Configuration Sheet"));
        return dialog.exec() == QDialog::Accepted;
    };
}

} // namespace cvcfg
