// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmltree.h"

#include <QXmlStreamReader>

const XmlNode *XmlNode::child(int n, QLatin1StringView local) const
{
    for (const XmlNode *c : children)
        if (c->ns == n && c->name == local) return c;
    return nullptr;
}

QList<const XmlNode *> XmlNode::all(int n, QLatin1StringView local) const
{
    QList<const XmlNode *> out;
    for (const XmlNode *c : children)
        if (c->ns == n && c->name == local) out << c;
    return out;
}

QString XmlNode::attribute(QLatin1StringView local) const
{
    for (const auto &[k, v] : attributes)
        if (k == local) return v.trimmed();
    return QString();
}

int XmlTree::ns(const QString &uri) const
{
    const qsizetype i = m_ns.indexOf(uri);
    return i < 0 ? -2 : int(i);
}

bool XmlTree::read(const QByteArray &xml, QString *error)
{
    m_nodes.clear();
    m_ns.clear();
    m_root = nullptr;
    QXmlStreamReader r(xml);
    std::vector<XmlNode *> open;
    auto nsIndex = [&](QStringView uri) {
        for (qsizetype i = 0; i < m_ns.size(); ++i)
            if (m_ns[i] == uri) return int(i);
        m_ns << uri.toString();
        return int(m_ns.size() - 1);
    };
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            *error = QStringLiteral("Die XML-Datei enthält eine Dokumenttypdefinition (DOCTYPE, Zeile %1); "
                                    "eine E-Rechnung hat keine")
                         .arg(r.lineNumber());
            return false;
        case QXmlStreamReader::StartElement: {
            XmlNode &n = m_nodes.emplace_back();
            n.ns = nsIndex(r.namespaceUri());
            n.name = r.name().toString();
            for (const QXmlStreamAttribute &a : r.attributes())
                n.attributes.emplace_back(a.name().toString(), a.value().toString());
            if (open.empty())
                m_root = &n;
            else
                open.back()->children.push_back(&n);
            open.push_back(&n);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty()) open.back()->text += r.text();
            break;
        default:
            break;
        }
    }
    if (r.hasError() || !m_root) {
        *error = r.hasError()
                     ? QStringLiteral("Die XML-Datei ist nicht wohlgeformt (Zeile %1, Spalte %2: %3)")
                           .arg(r.lineNumber())
                           .arg(r.columnNumber())
                           .arg(r.errorString())
                     : QStringLiteral("Die Datei enthält kein XML-Element");
        return false;
    }
    return true;
}
