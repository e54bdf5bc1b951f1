#include "tberechnung.h"

void PreviewInvoiceReport(const InvoiceReportRequest &) {}
