// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a received e-invoice: the container (XML file or ZUGFeRD /
// Factur-X PDF with its XML attachment) and the two syntaxes of EN 16931,
// each mapped term by term onto IncomingInvoice.
#include "incominginvoice.h"

class XmlTree;

namespace InvoiceReader {

// The invoice XML of a PDF: the attachment factur-x.xml, zugferd-invoice.xml
// or xrechnung.xml (any letter case), else the first other .xml attachment.
// Empty when the PDF has none; AppError when it is no readable PDF.
QByteArray pdfAttachment(const QByteArray &pdf, QString *attachmentName);

// The invoice in a parsed XML document; AppError when the root element is
// neither a CII CrossIndustryInvoice nor a UBL Invoice or CreditNote.
IncomingInvoice fromXml(const XmlTree &tree, const QString &fileName);

} // namespace InvoiceReader
