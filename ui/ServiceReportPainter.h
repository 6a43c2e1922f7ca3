#pragma once

#include "core/historyview/ServiceReport.h"

#include <QString>

class QPagedPaintDevice;

// Lays a service report out on A4 pages of a PDF writer or printer: real text in a font that carries
// every Windows-1252 letter, a new page where the next block would not fit.
class ServiceReportPainter {
public:
    // False when the device cannot be painted on (a PDF file that cannot be written).
    static bool Paint(const ServiceReport& report, QPagedPaintDevice& device);
    // Writes the report as a PDF file; false with the reason in error when it cannot.
    static bool WritePdf(const ServiceReport& report, const QString& path, QString* error);
};
