// SPDX-License-Identifier: GPL-3.0-or-later
#include "facturx.h"

#include "base/apperror.h"

#include <QColorSpace>
#include <QUuid>
#include <QXmlStreamWriter>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace {

using Obj = QPDFObjectHandle;

std::string utf8(const QString &s)
{
    return s.toStdString();
}

QString infoText(Obj info, const char *key)
{
    if (!info.isDictionary() || !info.hasKey(key) || !info.getKey(key).isString()) return QString();
    return QString::fromStdString(info.getKey(key).getUTF8Value());
}

QString pdfDate(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'"));
}

QString xmpDate(const QDateTime &t)
{
    return t.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss'Z'"));
}

struct DocInfo
{
    QString title, author, subject, keywords, creator, producer;
};

const QString kRdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");

// The XMP packet: the document information mirrored from the info dictionary,
// the PDF/A-3b identification, and the Factur-X properties with the extension
// schema that PDF/A demands for any property it does not know.
QByteArray xmpPacket(const DocInfo &d, const QDateTime &when, const QUuid &id)
{
    QByteArray out = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
    QByteArray body;
    QXmlStreamWriter w(&body);
    w.setAutoFormatting(true);
    w.writeNamespace(QStringLiteral("adobe:ns:meta/"), QStringLiteral("x"));
    w.writeNamespace(kRdf, QStringLiteral("rdf"));
    w.writeStartElement(QStringLiteral("adobe:ns:meta/"), QStringLiteral("xmpmeta"));
    w.writeStartElement(kRdf, QStringLiteral("RDF"));

    auto description = [&](const QString &ns, const QString &prefix) {
        w.writeStartElement(kRdf, QStringLiteral("Description"));
        w.writeAttribute(kRdf, QStringLiteral("about"), QString());
        w.writeNamespace(ns, prefix);
    };
    auto alt = [&](const QString &ns, const char *name, const QString &value) {
        w.writeStartElement(ns, QString::fromLatin1(name));
        w.writeStartElement(kRdf, QStringLiteral("Alt"));
        w.writeStartElement(kRdf, QStringLiteral("li"));
        w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
        w.writeCharacters(value);
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    };

    const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/");
    description(dc, QStringLiteral("dc"));
    w.writeTextElement(dc, QStringLiteral("format"), QStringLiteral("application/pdf"));
    if (!d.title.isEmpty()) alt(dc, "title", d.title);
    if (!d.author.isEmpty()) {
        w.writeStartElement(dc, QStringLiteral("creator"));
        w.writeStartElement(kRdf, QStringLiteral("Seq"));
        w.writeTextElement(kRdf, QStringLiteral("li"), d.author);
        w.writeEndElement();
        w.writeEndElement();
    }
    if (!d.subject.isEmpty()) alt(dc, "description", d.subject);
    w.writeEndElement();

    const QString xmp = QStringLiteral("http://ns.adobe.com/xap/1.0/");
    description(xmp, QStringLiteral("xmp"));
    if (!d.creator.isEmpty()) w.writeTextElement(xmp, QStringLiteral("CreatorTool"), d.creator);
    w.writeTextElement(xmp, QStringLiteral("CreateDate"), xmpDate(when));
    w.writeTextElement(xmp, QStringLiteral("ModifyDate"), xmpDate(when));
    w.writeTextElement(xmp, QStringLiteral("MetadataDate"), xmpDate(when));
    w.writeEndElement();

    const QString mm = QStringLiteral("http://ns.adobe.com/xap/1.0/mm/");
    description(mm, QStringLiteral("xmpMM"));
    const QString uuid = QStringLiteral("uuid:") + id.toString(QUuid::WithoutBraces);
    w.writeTextElement(mm, QStringLiteral("DocumentID"), uuid);
    w.writeTextElement(mm, QStringLiteral("InstanceID"), uuid);
    w.writeEndElement();

    const QString pdf = QStringLiteral("http://ns.adobe.com/pdf/1.3/");
    description(pdf, QStringLiteral("pdf"));
    if (!d.producer.isEmpty()) w.writeTextElement(pdf, QStringLiteral("Producer"), d.producer);
    if (!d.keywords.isEmpty()) w.writeTextElement(pdf, QStringLiteral("Keywords"), d.keywords);
    w.writeEndElement();

    const QString pdfaid = QStringLiteral("http://www.aiim.org/pdfa/ns/id/");
    description(pdfaid, QStringLiteral("pdfaid"));
    w.writeTextElement(pdfaid, QStringLiteral("part"), QStringLiteral("3"));
    w.writeTextElement(pdfaid, QStringLiteral("conformance"), QStringLiteral("B"));
    w.writeEndElement();

    const QString ext = QStringLiteral("http://www.aiim.org/pdfa/ns/extension/");
    const QString schema = QStringLiteral("http://www.aiim.org/pdfa/ns/schema#");
    const QString property = QStringLiteral("http://www.aiim.org/pdfa/ns/property#");
    const QString fx = QStringLiteral("urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#");
    description(ext, QStringLiteral("pdfaExtension"));
    w.writeNamespace(schema, QStringLiteral("pdfaSchema"));
    w.writeNamespace(property, QStringLiteral("pdfaProperty"));
    w.writeStartElement(ext, QStringLiteral("schemas"));
    w.writeStartElement(kRdf, QStringLiteral("Bag"));
    w.writeStartElement(kRdf, QStringLiteral("li"));
    w.writeAttribute(kRdf, QStringLiteral("parseType"), QStringLiteral("Resource"));
    w.writeTextElement(schema, QStringLiteral("schema"), QStringLiteral("Factur-X PDFA Extension Schema"));
    w.writeTextElement(schema, QStringLiteral("namespaceURI"), fx);
    w.writeTextElement(schema, QStringLiteral("prefix"), QStringLiteral("fx"));
    w.writeStartElement(schema, QStringLiteral("property"));
    w.writeStartElement(kRdf, QStringLiteral("Seq"));
    const char *const props[][2] = {
        {"DocumentFileName", "The name of the embedded XML document"},
        {"DocumentType", "The type of the hybrid document in capital letters, e.g. INVOICE or ORDER"},
        {"Version", "The actual version of the standard applying to the embedded XML document"},
        {"ConformanceLevel", "The conformance level of the embedded XML document"},
    };
    for (const auto &p : props) {
        w.writeStartElement(kRdf, QStringLiteral("li"));
        w.writeAttribute(kRdf, QStringLiteral("parseType"), QStringLiteral("Resource"));
        w.writeTextElement(property, QStringLiteral("name"), QString::fromLatin1(p[0]));
        w.writeTextElement(property, QStringLiteral("valueType"), QStringLiteral("Text"));
        w.writeTextElement(property, QStringLiteral("category"), QStringLiteral("external"));
        w.writeTextElement(property, QStringLiteral("description"), QString::fromLatin1(p[1]));
        w.writeEndElement();
    }
    w.writeEndElement(); // Seq
    w.writeEndElement(); // property
    w.writeEndElement(); // li
    w.writeEndElement(); // Bag
    w.writeEndElement(); // schemas
    w.writeEndElement();

    description(fx, QStringLiteral("fx"));
    w.writeTextElement(fx, QStringLiteral("DocumentType"), QStringLiteral("INVOICE"));
    w.writeTextElement(fx, QStringLiteral("DocumentFileName"), QString::fromLatin1(FacturX::fileName()));
    w.writeTextElement(fx, QStringLiteral("Version"), QStringLiteral("1.0"));
    w.writeTextElement(fx, QStringLiteral("ConformanceLevel"), QStringLiteral("EN 16931"));
    w.writeEndElement();

    w.writeEndElement(); // RDF
    w.writeEndElement(); // xmpmeta
    w.writeEndDocument();
    out += body.trimmed();
    out += "\n<?xpacket end=\"w\"?>";
    return out;
}

// PDF/A needs an output intent whenever device colours are used; Qt's PDF/A
// mode writes one, an ordinary Qt PDF does not.
void ensureOutputIntent(QPDF &q, Obj root)
{
    if (root.hasKey("/OutputIntents") && root.getKey("/OutputIntents").isArray() &&
        root.getKey("/OutputIntents").getArrayNItems() > 0)
        return;
    const QByteArray icc = QColorSpace(QColorSpace::SRgb).iccProfile();
    Obj profile = q.newStream(icc.toStdString());
    profile.getDict().replaceKey("/N", Obj::newInteger(3));
    Obj intent = Obj::newDictionary();
    intent.replaceKey("/Type", Obj::newName("/OutputIntent"));
    intent.replaceKey("/S", Obj::newName("/GTS_PDFA1"));
    intent.replaceKey("/OutputConditionIdentifier", Obj::newUnicodeString("sRGB IEC61966-2.1"));
    intent.replaceKey("/Info", Obj::newUnicodeString("sRGB IEC61966-2.1"));
    intent.replaceKey("/DestOutputProfile", profile);
    root.replaceKey("/OutputIntents", Obj::newArray({q.makeIndirectObject(intent)}));
}

} // namespace

QByteArray FacturX::attach(const QByteArray &pdf, const QByteArray &xml, const QDateTime &when)
{
    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processMemoryFile("letterhead.pdf", pdf.constData(), size_t(pdf.size()));
        Obj root = q.getRoot();
        Obj trailer = q.getTrailer();

        Obj info = trailer.getKey("/Info");
        if (!info.isDictionary()) {
            info = q.makeIndirectObject(Obj::newDictionary());
            trailer.replaceKey("/Info", info);
        }
        DocInfo d;
        d.title = infoText(info, "/Title");
        d.author = infoText(info, "/Author");
        d.subject = infoText(info, "/Subject");
        d.keywords = infoText(info, "/Keywords");
        d.creator = infoText(info, "/Creator");
        d.producer = infoText(info, "/Producer");
        info.replaceKey("/CreationDate", Obj::newString(utf8(pdfDate(when))));
        info.replaceKey("/ModDate", Obj::newString(utf8(pdfDate(when))));
        if (info.hasKey("/Trapped")) info.removeKey("/Trapped"); // XMP would have to mirror it

        // One identifier for the file and its metadata: qpdf keeps the first
        // element of an /ID it finds in the trailer.
        const QUuid id = QUuid::createUuid();
        const std::string idBytes = id.toRfc4122().toStdString();
        trailer.replaceKey("/ID", Obj::newArray({Obj::newString(idBytes), Obj::newString(idBytes)}));

        Obj metadata = q.newStream(xmpPacket(d, when, id).toStdString());
        metadata.getDict().replaceKey("/Type", Obj::newName("/Metadata"));
        metadata.getDict().replaceKey("/Subtype", Obj::newName("/XML"));
        root.replaceKey("/Metadata", metadata);
        ensureOutputIntent(q, root);

        auto ef = QPDFEFStreamObjectHelper::createEFStream(q, xml.toStdString());
        ef.setSubtype("text/xml").setCreationDate(utf8(pdfDate(when))).setModDate(utf8(pdfDate(when)));
        auto spec = QPDFFileSpecObjectHelper::createFileSpec(q, fileName(), ef);
        spec.setDescription("Factur-X Invoice");
        Obj specObj = spec.getObjectHandle();
        specObj.replaceKey("/AFRelationship", Obj::newName("/Alternative"));
        QPDFEmbeddedFileDocumentHelper(q).replaceEmbeddedFile(fileName(), spec);
        root.replaceKey("/AF", Obj::newArray({specObj}));

        QPDFWriter w(q);
        w.setOutputMemory();
        w.setMinimumPDFVersion("1.7");
        w.setObjectStreamMode(qpdf_o_disable);
        w.write();
        auto buffer = w.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
    } catch (const std::exception &e) {
        throw AppError(QStringLiteral("Das PDF kann nicht zur E-Rechnung (ZUGFeRD) umgeschrieben werden: %1")
                           .arg(QString::fromLocal8Bit(e.what())));
    }
}

QByteArray FacturX::attachment(const QByteArray &pdf, const char *name)
{
    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processMemoryFile("invoice.pdf", pdf.constData(), size_t(pdf.size()));
        auto spec = QPDFEmbeddedFileDocumentHelper(q).getEmbeddedFile(name);
        if (!spec) return QByteArray();
        auto data = spec->getEmbeddedFileStream().getStreamData(qpdf_dl_all);
        return QByteArray(reinterpret_cast<const char *>(data->getBuffer()), qsizetype(data->getSize()));
    } catch (const std::exception &) {
        return QByteArray();
    }
}
