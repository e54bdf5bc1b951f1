// SPDX-License-Identifier: GPL-3.0-or-later
#include "incomingfiles.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

QByteArray PdfWithAttachment(const QByteArray &xml, const char *attachmentName, bool deflated)
{
    using Obj = QPDFObjectHandle;
    QPDF q;
    q.emptyPDF();
    Obj page = q.makeIndirectObject(Obj::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>"));
    page.replaceKey("/Contents", q.newStream("0 0 m 10 10 l S"));
    QPDFPageDocumentHelper(q).addPage(QPDFPageObjectHelper(page), false);
    // The metadata of ZUGFeRD 2.0, whose namespace differs from Factur-X's.
    const std::string xmp =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:zf=\"urn:zugferd:pdfa:CrossIndustryDocument:invoice:2p0#\">"
        "<zf:DocumentType>INVOICE</zf:DocumentType><zf:DocumentFileName>" +
        std::string(attachmentName ? attachmentName : "") +
        "</zf:DocumentFileName><zf:Version>2p0</zf:Version><zf:ConformanceLevel>EXTENDED</"
        "zf:ConformanceLevel>"
        "</rdf:Description></rdf:RDF></x:xmpmeta>";
    Obj metadata = q.newStream(xmp);
    metadata.getDict().replaceKey("/Type", Obj::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", Obj::newName("/XML"));
    q.getRoot().replaceKey("/Metadata", metadata);
    if (attachmentName) {
        auto ef = QPDFEFStreamObjectHelper::createEFStream(q, deflated ? std::string() : xml.toStdString());
        ef.setSubtype("text/xml");
        if (deflated) {
            // qCompress puts the length before the zlib stream.
            const QByteArray z = qCompress(xml, 9).mid(4);
            ef.getObjectHandle().replaceStreamData(z.toStdString(), Obj::newName("/FlateDecode"),
                                                   Obj::newNull());
        }
        auto spec = QPDFFileSpecObjectHelper::createFileSpec(q, attachmentName, ef);
        QPDFEmbeddedFileDocumentHelper(q).replaceEmbeddedFile(attachmentName, spec);
    }
    QPDFWriter w(q);
    w.setOutputMemory();
    if (deflated) w.setDecodeLevel(qpdf_dl_none);
    w.write();
    auto buffer = w.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
}
