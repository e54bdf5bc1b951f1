// SPDX-License-Identifier: GPL-3.0-or-later
// A letterhead PDF written by Qt becomes a ZUGFeRD / Factur-X invoice: PDF/A-3b
// with factur-x.xml inside, which reads back byte for byte and passes the
// validator's EN 16931 rules.
// qpdf's buffers are held in std::shared_ptr only.
#define POINTERHOLDER_TRANSITION 4

#include "pdfa3check.h"
#include "tests/einvoice/einvoicefixture.h"
#include "tests/einvoice/validation.h"

#include "base/apperror.h"
#include "einvoice/facturx.h"

#include <QBuffer>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace {

QByteArray letterhead(bool pdfA1b, int pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter w(&buffer);
    if (pdfA1b) w.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    w.setTitle(QStringLiteral("Vorgang R-10000 – Größe & Partner"));
    w.setCreator(QStringLiteral("Tavirelsverwaltung"));
    w.setPageSize(QPageSize(QPageSize::A4));
    QPainter p(&w);
    p.setFont(QFont(QStringLiteral("Liberation Serif"), 12));
    for (int i = 0; i < pages; ++i) {
        if (i) w.newPage();
        p.drawText(QPointF(500, 800), QStringLiteral("Rechnung R - 10000, Seite %1: 1.234,50 €").arg(i + 1));
    }
    p.end();
    return buffer.data();
}

std::string str(QPDFObjectHandle h)
{
    return h.isName() ? h.getName() : h.isString() ? h.getUTF8Value() : h.unparse();
}

class FacturXPdf : public EInvoiceFixture
{
  protected:
    QByteArray invoiceXml()
    {
        address(1, "Größe & Partner \"Steuer\"", "34119", "Kassel", "info@groesse-partner.de");
        const qint64 id = document("R", 1);
        position(id, 1, 0.333, 1.00);
        position(id, 2, 0.333, 1.00);
        position(id, 3, 0, 0, "", "Hinweis", "Nur Text");
        return xml(id, CiiWriter::Profile::EN16931);
    }
};

TEST_F(FacturXPdf, AttachmentReadsBackAndValidatesInPdfA3)
{
    const QByteArray xml = invoiceXml();
    const QDateTime when(QDate(2026, 3, 2), QTime(9, 30, 0), Qt::UTC);
    QTemporaryDir dir;
    QStringList files;
    for (const bool a1b : {true, false}) {
        SCOPED_TRACE(a1b ? "Qt's PDF/A-1b" : "Qt's plain PDF");
        const QByteArray pdf = FacturX::attach(letterhead(a1b, 2), xml, when);
        ASSERT_TRUE(pdf.startsWith("%PDF-1.7"));
        EXPECT_EQ(FacturX::attachment(pdf), xml);
        EXPECT_EQ(PdfA3::problems(pdf), QStringList());

        QPDF q;
        q.processMemoryFile("zugferd.pdf", pdf.constData(), size_t(pdf.size()));
        EXPECT_EQ(QPDFPageDocumentHelper(q).getAllPages().size(), 2u) << "the pages stay";
        QPDFObjectHandle root = q.getRoot();
        ASSERT_TRUE(root.getKey("/AF").isArray());
        ASSERT_EQ(root.getKey("/AF").getArrayNItems(), 1);
        QPDFObjectHandle spec = root.getKey("/AF").getArrayItem(0);
        EXPECT_EQ(str(spec.getKey("/AFRelationship")), "/Alternative");
        EXPECT_EQ(str(spec.getKey("/F")), "factur-x.xml");
        EXPECT_EQ(str(spec.getKey("/UF")), "factur-x.xml");
        QPDFObjectHandle ef = spec.getKey("/EF").getKey("/F");
        EXPECT_EQ(str(ef.getDict().getKey("/Subtype")), "/text/xml");
        EXPECT_TRUE(ef.getDict().getKey("/Params").getKey("/ModDate").isString());
        EXPECT_TRUE(QPDFEmbeddedFileDocumentHelper(q).getEmbeddedFile("factur-x.xml") != nullptr);

        QPDFObjectHandle intents = root.getKey("/OutputIntents");
        ASSERT_TRUE(intents.isArray());
        ASSERT_EQ(intents.getArrayNItems(), 1);
        EXPECT_EQ(str(intents.getArrayItem(0).getKey("/S")), "/GTS_PDFA1");
        EXPECT_TRUE(intents.getArrayItem(0).getKey("/DestOutputProfile").isStream());

        QPDFObjectHandle metadata = root.getKey("/Metadata");
        ASSERT_TRUE(metadata.isStream());
        EXPECT_TRUE(metadata.getDict().getKey("/Filter").isNull()) << "the XMP stays plain text";
        const auto raw = metadata.getRawStreamData();
        const QString xmp =
            QString::fromUtf8(reinterpret_cast<const char *>(raw->getBuffer()), qsizetype(raw->getSize()));
        for (const char *expected :
             {"<pdfaid:part>3</pdfaid:part>", "<pdfaid:conformance>B</pdfaid:conformance>",
              "<fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>",
              "<fx:DocumentType>INVOICE</fx:DocumentType>", "<fx:Version>1.0</fx:Version>",
              "<fx:ConformanceLevel>EN 16931</fx:ConformanceLevel>",
              "<pdfaSchema:namespaceURI>urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#</"
              "pdfaSchema:namespaceURI>",
              "<xmp:CreateDate>2026-03-02T09:30:00Z</xmp:CreateDate>",
              "<xmp:CreatorTool>Tavirelsverwaltung</xmp:CreatorTool>",
              "Vorgang R-10000 – Größe &amp; Partner"})
            EXPECT_TRUE(xmp.contains(QString::fromUtf8(expected))) << expected;
        QPDFObjectHandle info = q.getTrailer().getKey("/Info");
        EXPECT_EQ(str(info.getKey("/CreationDate")), "D:20260302093000Z")
            << "the info dictionary agrees with the XMP";
        EXPECT_EQ(str(info.getKey("/Title")), "Vorgang R-10000 – Größe & Partner");

        const QString file = dir.filePath(a1b ? QStringLiteral("a1b.xml") : QStringLiteral("plain.xml"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(FacturX::attachment(pdf));
        f.close();
        files << file;
    }
    const ValidationRun v = ValidateEInvoices(files, true);
    EXPECT_EQ(v.exitCode, 0) << v.output.toStdString();
}

TEST_F(FacturXPdf, SomethingThatIsNoPdfIsRefusedWithAMessage)
{
    QString message;
    try {
        FacturX::attach(QByteArray("Rechnung als Text"), QByteArray("<x/>"));
    } catch (const AppError &e) {
        message = e.message();
    }
    EXPECT_TRUE(message.startsWith(
        QStringLiteral("Das PDF kann nicht zur E-Rechnung (ZUGFeRD) umgeschrieben werden")))
        << message.toStdString();
    EXPECT_TRUE(FacturX::attachment(QByteArray("kein PDF")).isEmpty());
}

} // namespace
