// SPDX-License-Identifier: GPL-3.0-or-later
#include "xmltree.h"

#include <QSet>
#include <QXmlStreamReader>

const XmlNode *XmlNode::child(int n, QLatin1StringView local) const
{
    for (const XmlNode *c = firstChild; c; c = c->nextSibling)
        if (c->ns == n && c->name == local) return c;
    return nullptr;
}

QList<const XmlNode *> XmlNode::all(int n, QLatin1StringView local) const
{
    QList<const XmlNode *> out;
    for (const XmlNode *c = firstChild; c; c = c->nextSibling)
        if (c->ns == n && c->name == local) out << c;
    return out;
}

QString XmlNode::attribute(QLatin1StringView local) const
{
    for (const auto &[k, v] : attributes)
        if (k == local) return v.trimmed();
    return QString();
}

bool XmlTree::read(const QByteArray &xml, QString *error)
{
    m_nodes.clear();
    m_ns.clear();
    m_nsIndex.clear();
    m_root = nullptr;
    QXmlStreamReader r(xml);
    struct Open
    {
        XmlNode *node;
        XmlNode *lastChild;
    };
    std::vector<Open> open;
    // Each name is held once and shared by every node that bears it.
    QSet<QString> names;
    auto shared = [&](QStringView name) { return *names.insert(name.toString()); };
    auto nsIndex = [&](QStringView uri) {
        const QString key = uri.toString();
        const auto found = m_nsIndex.constFind(key);
        if (found != m_nsIndex.cend()) return *found;
        m_ns << key;
        m_nsIndex.insert(key, int(m_ns.size() - 1));
        return int(m_ns.size() - 1);
    };
    qsizetype nodes = 0;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            *error = QStringLiteral("Die XML-Datei enthält eine Dokumenttypdefinition (DOCTYPE, Zeile %1); "
                                    "eine E-Rechnung hat keine")
                         .arg(r.lineNumber());
            return false;
        case QXmlStreamReader::StartElement: {
            const QXmlStreamAttributes attributes = r.attributes();
            nodes += 1 + attributes.size();
            if (nodes > kMostNodes) {
                *error = QStringLiteral("Die XML-Datei hat mehr als eine Million Elemente und Attribute "
                                        "(Zeile %1); so viele hat keine E-Rechnung")
                             .arg(r.lineNumber());
                m_nodes.clear();
                m_root = nullptr;
                return false;
            }
            XmlNode &n = m_nodes.emplace_back();
            n.ns = nsIndex(r.namespaceUri());
            n.name = shared(r.name());
            n.attributes.reserve(size_t(attributes.size()));
            for (const QXmlStreamAttribute &a : attributes)
                n.attributes.emplace_back(shared(a.name()), a.value().toString());
            if (open.empty()) {
                m_root = &n;
            } else {
                Open &parent = open.back();
                (parent.lastChild ? parent.lastChild->nextSibling : parent.node->firstChild) = &n;
                parent.lastChild = &n;
            }
            open.push_back({&n, nullptr});
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            // The blanks that indent a document are not kept: every value is
            // read trimmed.
            if (!open.empty() && !r.isWhitespace()) open.back().node->text += r.text();
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
