// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A received XML document as a small tree of elements, read once with Qt's
// stream reader, so that the invoice readers can walk it by namespace and
// local name. A document with a document type definition is refused: no
// e-invoice has one, and entities are the classic way to smuggle in
// runaway expansion. The file comes from a stranger, so reading costs time
// in proportion to its size and memory in proportion to what it holds:
// names are kept once, text only where there is some, and a document with
// more elements and attributes than any invoice has is refused.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <deque>
#include <vector>

struct XmlNode
{
    int ns = -1;                                         // index of the namespace URI in the tree
    QString name;                                        // local name (shared with every node of the name)
    QString text;                                        // character data directly inside the element
    std::vector<std::pair<QString, QString>> attributes; // local name, value
    const XmlNode *firstChild = nullptr;
    const XmlNode *nextSibling = nullptr;

    // The first child element of that namespace and local name, or null.
    const XmlNode *child(int ns, QLatin1StringView name) const;
    // All of them, in document order.
    QList<const XmlNode *> all(int ns, QLatin1StringView name) const;
    QString attribute(QLatin1StringView name) const;
    // The trimmed text; empty for a missing node.
    static QString textOf(const XmlNode *node) { return node ? node->text.trimmed() : QString(); }
};

class XmlTree
{
  public:
    // Elements and attributes together: a 1,000-line invoice has some 50,000.
    static constexpr qsizetype kMostNodes = 1'000'000;

    // Reads the document; false with a German message (and its line) when it
    // is not well-formed XML, carries a document type definition or holds
    // more than kMostNodes elements and attributes.
    bool read(const QByteArray &xml, QString *error);

    const XmlNode *root() const { return m_root; }
    // The index of a namespace URI (-2 when the document never uses it, so
    // that no node matches).
    int ns(const QString &uri) const { return m_nsIndex.value(uri, -2); }
    QString nsUri(int index) const { return m_ns.value(index); }

  private:
    std::deque<XmlNode> m_nodes;
    QList<QString> m_ns;
    QHash<QString, int> m_nsIndex;
    const XmlNode *m_root = nullptr;
};
