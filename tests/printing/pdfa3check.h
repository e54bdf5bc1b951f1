// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What can be checked of a ZUGFeRD / Factur-X PDF/A-3b without a PDF/A
// validator: the file structure as qpdf reads it, the XMP metadata against the
// info dictionary, the output intent's ICC profile, fonts embedded, the
// attachment and its relationship. Each finding is one line of text; an empty
// list means nothing was found.
// qpdf's buffers are held in std::shared_ptr only.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <QtEndian>
#include <exception>
#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace PdfA3 {

inline QString str(QPDFObjectHandle h)
{
    if (h.isName()) return QString::fromStdString(h.getName());
    if (h.isString()) return QString::fromStdString(h.getUTF8Value());
    return QString();
}

inline QByteArray bytes(QPDFObjectHandle stream, qpdf_stream_decode_level_e level = qpdf_dl_all)
{
    auto b = stream.getStreamData(level);
    return QByteArray(reinterpret_cast<const char *>(b->getBuffer()), qsizetype(b->getSize()));
}

// "D:20260302093000Z", "D:20260302103000+01'00'".
inline QDateTime pdfDate(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^D:(\\d{14})(Z|([+-])(\\d{2})'(\\d{2})'?)?$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return QDateTime();
    QDateTime t = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMddHHmmss"));
    int offset = 0;
    if (!m.captured(3).isEmpty())
        offset = (m.captured(3) == QLatin1String("-") ? -1 : 1) *
                 (m.captured(4).toInt() * 3600 + m.captured(5).toInt() * 60);
    t.setTimeZone(QTimeZone(offset));
    return t;
}

// The simple XMP properties by namespace and name ("http://purl.org/dc/elements/1.1/title"); for
// a language alternative or a sequence, the text of its first item.
inline QMap<QString, QString> xmpProperties(const QByteArray &xmp, QString *error)
{
    QMap<QString, QString> out;
    const QString rdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
    QStringList properties; // the innermost non-RDF element of each level
    QXmlStreamReader r(xmp);
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            properties << (r.namespaceUri() == rdf ? properties.value(properties.size() - 1)
                                                   : r.namespaceUri().toString() + r.name().toString());
        } else if (r.isEndElement()) {
            properties.removeLast();
        } else if (r.isCharacters() && !r.isWhitespace() && !properties.isEmpty()) {
            if (!out.contains(properties.last())) out.insert(properties.last(), r.text().toString());
        }
    }
    if (r.hasError() && error) *error = r.errorString();
    return out;
}

inline bool fontEmbedded(QPDFObjectHandle font)
{
    if (str(font.getKey("/Subtype")) == QLatin1String("/Type3")) return true; // drawn by the PDF itself
    if (str(font.getKey("/Subtype")) == QLatin1String("/Type0")) {
        QPDFObjectHandle descendants = font.getKey("/DescendantFonts");
        if (!descendants.isArray() || descendants.getArrayNItems() != 1) return false;
        font = descendants.getArrayItem(0);
    }
    QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
    if (!descriptor.isDictionary()) return false;
    for (const char *key : {"/FontFile", "/FontFile2", "/FontFile3"})
        if (descriptor.getKey(key).isStream()) return true;
    return false;
}

inline QStringList problems(const QByteArray &pdf)
{
    QStringList found;
    const auto expect = [&found](bool ok, const QString &what) {
        if (!ok) found << what;
    };

    // A PDF 1.7 header and a comment line of at least four bytes above 127, which
    // tells transfer programs that the file is binary.
    expect(pdf.startsWith("%PDF-1.7"), QStringLiteral("header is not %PDF-1.7"));
    const QByteArray second = pdf.mid(pdf.indexOf('\n') + 1, 5);
    int high = 0;
    for (char c : second.mid(1))
        high += static_cast<unsigned char>(c) > 127;
    expect(second.startsWith('%') && high == 4, QStringLiteral("no binary comment after the header"));
    // The file ends with its end-of-file marker and at most one end of line.
    const QByteArray tail = pdf.right(7);
    expect(tail.endsWith("%%EOF") || tail.endsWith("%%EOF\n") || tail.endsWith("%%EOF\r\n"),
           QStringLiteral("data after %%EOF"));

    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processMemoryFile("zugferd.pdf", pdf.constData(), size_t(pdf.size()));
        QPDFObjectHandle trailer = q.getTrailer();
        QPDFObjectHandle root = q.getRoot();
        expect(!q.isEncrypted() && !trailer.hasKey("/Encrypt"), QStringLiteral("encrypted"));
        QPDFObjectHandle id = trailer.getKey("/ID");
        expect(id.isArray() && id.getArrayNItems() == 2 && id.getArrayItem(0).isString() &&
                   id.getArrayItem(1).isString() && !id.getArrayItem(0).getStringValue().empty(),
               QStringLiteral("no file identifier /ID in the trailer"));
        expect(!root.hasKey("/Names") || !root.getKey("/Names").hasKey("/JavaScript"),
               QStringLiteral("JavaScript"));
        expect(!root.hasKey("/OpenAction") && !root.hasKey("/AA"), QStringLiteral("actions in the catalog"));

        // Every page drawn from fonts that are inside the file.
        const auto pages = QPDFPageDocumentHelper(q).getAllPages();
        expect(!pages.empty(), QStringLiteral("no pages"));
        for (auto page : pages) {
            QPDFObjectHandle fonts = page.getAttribute("/Resources", false).getKey("/Font");
            if (!fonts.isDictionary()) continue;
            for (const auto &key : fonts.getKeys())
                expect(fontEmbedded(fonts.getKey(key)),
                       QStringLiteral("font %1 (%2) not embedded")
                           .arg(QString::fromStdString(key), str(fonts.getKey(key).getKey("/BaseFont"))));
            expect(!page.getObjectHandle().hasKey("/AA"), QStringLiteral("actions on a page"));
        }

        // Device colours need an output intent with an ICC profile that PDF/A accepts.
        QPDFObjectHandle intents = root.getKey("/OutputIntents");
        expect(intents.isArray() && intents.getArrayNItems() == 1, QStringLiteral("not one output intent"));
        if (intents.isArray() && intents.getArrayNItems() >= 1) {
            QPDFObjectHandle intent = intents.getArrayItem(0);
            expect(str(intent.getKey("/S")) == QLatin1String("/GTS_PDFA1"),
                   QStringLiteral("output intent is not /GTS_PDFA1"));
            expect(!str(intent.getKey("/OutputConditionIdentifier")).isEmpty(),
                   QStringLiteral("output intent without /OutputConditionIdentifier"));
            QPDFObjectHandle profile = intent.getKey("/DestOutputProfile");
            expect(profile.isStream(), QStringLiteral("output intent without an embedded ICC profile"));
            if (profile.isStream()) {
                const QByteArray icc = bytes(profile);
                const int n = profile.getDict().getKey("/N").isInteger()
                                  ? int(profile.getDict().getKey("/N").getIntValue())
                                  : 0;
                expect(icc.size() >= 128 && icc.mid(36, 4) == "acsp", QStringLiteral("not an ICC profile"));
                expect(icc.size() >= 128 && static_cast<unsigned char>(icc.at(8)) <= 4,
                       QStringLiteral("ICC profile newer than version 4"));
                expect(QList<QByteArray>{"mntr", "prtr", "scnr", "spac"}.contains(icc.mid(12, 4)),
                       QStringLiteral("ICC profile of a device class PDF/A does not take"));
                expect(icc.mid(16, 4) == "RGB " && n == 3,
                       QStringLiteral("ICC profile is not RGB with /N 3 (it is %1, /N %2)")
                           .arg(QString::fromLatin1(icc.mid(16, 4)))
                           .arg(n));
                expect(icc.size() >= 4 && qFromBigEndian<quint32>(icc.constData()) == quint32(icc.size()),
                       QStringLiteral("ICC profile size does not match its header"));
            }
        }

        // XMP: PDF/A-3b, Factur-X, and the info dictionary mirrored.
        QPDFObjectHandle metadata = root.getKey("/Metadata");
        expect(metadata.isStream() && str(metadata.getDict().getKey("/Subtype")) == QLatin1String("/XML") &&
                   str(metadata.getDict().getKey("/Type")) == QLatin1String("/Metadata"),
               QStringLiteral("no XMP metadata stream in the catalog"));
        if (metadata.isStream()) {
            const QByteArray xmp = bytes(metadata);
            expect(xmp.startsWith("<?xpacket begin=") && xmp.trimmed().endsWith("<?xpacket end=\"w\"?>"),
                   QStringLiteral("XMP is not a writable packet"));
            QString error;
            const auto p = xmpProperties(xmp, &error);
            expect(error.isEmpty(), QStringLiteral("XMP is not well-formed: %1").arg(error));
            const auto has = [&](const char *ns, const char *name, const QString &value) {
                const QString key = QString::fromLatin1(ns) + QString::fromLatin1(name);
                expect(p.value(key) == value, QStringLiteral("XMP %1 is \"%2\", not \"%3\"")
                                                  .arg(QString::fromLatin1(name), p.value(key), value));
            };
            const char *pdfaid = "http://www.aiim.org/pdfa/ns/id/";
            has(pdfaid, "part", QStringLiteral("3"));
            has(pdfaid, "conformance", QStringLiteral("B"));
            const char *fx = "urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#";
            has(fx, "DocumentType", QStringLiteral("INVOICE"));
            has(fx, "DocumentFileName", QStringLiteral("factur-x.xml"));
            has(fx, "Version", QStringLiteral("1.0"));
            has(fx, "ConformanceLevel", QStringLiteral("EN 16931"));
            // The document's identifier in the XMP names the file identifier.
            const QString documentId = p.value(QStringLiteral("http://ns.adobe.com/xap/1.0/mm/DocumentID"));
            const QString fileId =
                id.isArray() && id.getArrayNItems() == 2
                    ? QString::fromLatin1(
                          QByteArray::fromStdString(id.getArrayItem(0).getStringValue()).toHex())
                    : QString();
            expect(documentId.startsWith(QLatin1String("uuid:")) &&
                       QString(documentId).mid(5).remove(QLatin1Char('-')).toLower() == fileId,
                   QStringLiteral("XMP DocumentID \"%1\" does not name the file identifier %2")
                       .arg(documentId, fileId));
            // PDF/A knows no fx: properties; the file has to describe them itself.
            has("http://www.aiim.org/pdfa/ns/schema#", "namespaceURI", QString::fromLatin1(fx));
            has("http://www.aiim.org/pdfa/ns/schema#", "prefix", QStringLiteral("fx"));

            QPDFObjectHandle info = trailer.getKey("/Info");
            struct Mirror
            {
                const char *key, *ns, *name;
            };
            const Mirror texts[] = {{"/Title", "http://purl.org/dc/elements/1.1/", "title"},
                                    {"/Author", "http://purl.org/dc/elements/1.1/", "creator"},
                                    {"/Subject", "http://purl.org/dc/elements/1.1/", "description"},
                                    {"/Keywords", "http://ns.adobe.com/pdf/1.3/", "Keywords"},
                                    {"/Creator", "http://ns.adobe.com/xap/1.0/", "CreatorTool"},
                                    {"/Producer", "http://ns.adobe.com/pdf/1.3/", "Producer"}};
            for (const Mirror &m : texts) {
                const QString inInfo = info.isDictionary() ? str(info.getKey(m.key)) : QString();
                const QString inXmp = p.value(QString::fromLatin1(m.ns) + QString::fromLatin1(m.name));
                expect(inInfo == inXmp,
                       QStringLiteral("info %1 \"%2\" but XMP %3 \"%4\"")
                           .arg(QString::fromLatin1(m.key), inInfo, QString::fromLatin1(m.name), inXmp));
            }
            const Mirror dates[] = {{"/CreationDate", "http://ns.adobe.com/xap/1.0/", "CreateDate"},
                                    {"/ModDate", "http://ns.adobe.com/xap/1.0/", "ModifyDate"}};
            for (const Mirror &m : dates) {
                const QString inInfo = info.isDictionary() ? str(info.getKey(m.key)) : QString();
                const QString inXmp = p.value(QString::fromLatin1(m.ns) + QString::fromLatin1(m.name));
                const QDateTime a = pdfDate(inInfo);
                const QDateTime b = QDateTime::fromString(inXmp, Qt::ISODate);
                expect(inInfo.isEmpty() == inXmp.isEmpty() &&
                           (inInfo.isEmpty() || (a.isValid() && b.isValid() && a == b)),
                       QStringLiteral("info %1 \"%2\" but XMP %3 \"%4\"")
                           .arg(QString::fromLatin1(m.key), inInfo, QString::fromLatin1(m.name), inXmp));
            }
            expect(info.isDictionary() && !info.hasKey("/Trapped"),
                   QStringLiteral("info /Trapped without its XMP twin"));
        }

        // The invoice: an associated file of the document, "Alternative", in the
        // embedded files and with the dates and type PDF/A-3 asks for.
        QPDFObjectHandle af = root.getKey("/AF");
        expect(af.isArray() && af.getArrayNItems() == 1, QStringLiteral("not one associated file /AF"));
        auto named = QPDFEmbeddedFileDocumentHelper(q).getEmbeddedFile("factur-x.xml");
        expect(named != nullptr, QStringLiteral("factur-x.xml not in the embedded files"));
        if (af.isArray() && af.getArrayNItems() == 1) {
            QPDFObjectHandle spec = af.getArrayItem(0);
            expect(named && named->getObjectHandle().isSameObjectAs(spec),
                   QStringLiteral("/AF and the embedded files name different /Filespec entries"));
            expect(str(spec.getKey("/Type")) == QLatin1String("/Filespec"),
                   QStringLiteral("/AF not a /Filespec"));
            expect(str(spec.getKey("/F")) == QLatin1String("factur-x.xml") &&
                       str(spec.getKey("/UF")) == QLatin1String("factur-x.xml"),
                   QStringLiteral("/Filespec without /F and /UF factur-x.xml"));
            expect(str(spec.getKey("/AFRelationship")) == QLatin1String("/Alternative"),
                   QStringLiteral("AFRelationship is not /Alternative"));
            QPDFObjectHandle ef = spec.getKey("/EF").getKey("/F");
            expect(ef.isStream(), QStringLiteral("no embedded file stream"));
            if (ef.isStream()) {
                expect(str(ef.getDict().getKey("/Type")) == QLatin1String("/EmbeddedFile"),
                       QStringLiteral("embedded file stream without /Type /EmbeddedFile"));
                expect(str(ef.getDict().getKey("/Subtype")) == QLatin1String("/text/xml"),
                       QStringLiteral("embedded file is not /text/xml"));
                expect(pdfDate(str(ef.getDict().getKey("/Params").getKey("/ModDate"))).isValid(),
                       QStringLiteral("embedded file without a /ModDate"));
            }
        }
        expect(!q.anyWarnings(), QStringLiteral("qpdf warned while reading"));
    } catch (const std::exception &e) {
        found << QStringLiteral("qpdf: %1").arg(QString::fromLocal8Bit(e.what()));
    }
    return found;
}

// The decoded content streams of every page, for comparing what two PDFs draw.
inline QList<QByteArray> pageContents(const QByteArray &pdf)
{
    QList<QByteArray> out;
    try {
        QPDF q;
        q.setSuppressWarnings(true);
        q.processMemoryFile("pages.pdf", pdf.constData(), size_t(pdf.size()));
        for (auto page : QPDFPageDocumentHelper(q).getAllPages()) {
            Pl_Buffer buffer("contents");
            page.pipeContents(&buffer);
            auto b = buffer.getBufferSharedPointer();
            out << QByteArray(reinterpret_cast<const char *>(b->getBuffer()), qsizetype(b->getSize()));
        }
    } catch (const std::exception &) {
        out.clear();
    }
    return out;
}

} // namespace PdfA3
