// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A received XML document as a small tree of elements, read once with Qt's
// stream reader, so that the invoice readers can walk it by namespace and
// local name. A document with a document type definition is refused: no
// e-invoice has one, and entities are the classic way to smuggle in
// runaway expansion.
#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>
#include <vector>

struct XmlNode
{
    int ns = -1;                                         // index of the namespace URI in the tree
    QString name;                                        // local name
    QString text;                                        // character data directly inside the element
    std::vector<std::pair<QString, QString>> attributes; // local name, value
    std::vector<const XmlNode *> children;

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
    // Reads the document; false with a German message (and its line) when it
    // is not well-formed XML or carries a document type definition.
    bool read(const QByteArray &xml, QString *error);

    const XmlNode *root() const { return m_root; }
    // The index of a namespace URI (-2 when the document never uses it, so
    // that no node matches).
    int ns(const QString &uri) const;
    QString nsUri(int index) const { return m_ns.value(index); }

  private:
    std::deque<XmlNode> m_nodes;
    QList<QString> m_ns;
    const XmlNode *m_root = nullptr;
};
