#include "formats/epub/ChapterTree.h"

#include <QXmlStreamReader>

namespace Epub {

QString Node::anyAttribute(QLatin1String localName) const
{
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == localName) {
            return attribute.value().toString();
        }
    }
    return {};
}

bool Node::hasType(QLatin1String type) const
{
    for (const QXmlStreamAttribute& attribute : attributes) {
        if ((attribute.name() == QLatin1String("type") ||
             attribute.name() == QLatin1String("role")) &&
            attribute.value().split(QLatin1Char(' ')).contains(type)) {
            return true;
        }
    }
    return false;
}

QString Node::plainText(qsizetype limit) const
{
    QString all;
    appendText(&all, limit);
    return all;
}

void Node::appendText(QString* all, qsizetype limit) const
{
    if (limit >= 0 && all->size() >= limit) {
        return;
    }
    if (name.isEmpty()) {
        *all += limit >= 0 ? text.left(limit - all->size()) : text;
        return;
    }
    for (const auto& child : children) {
        child->appendText(all, limit);
    }
}

ParsedTree parseTree(const QByteArray& data, qint64 costLimit)
{
    ParsedTree parsed;
    parsed.root = std::make_unique<Node>();
    parsed.root->name = QStringLiteral("#root");
    std::vector<Node*> open{parsed.root.get()};
    int flattened = 0;
    qint64 cost = 0;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && open.size() >= MaxTreeDepth) {
            ++flattened;
        } else if (xml.isEndElement() && flattened > 0) {
            --flattened;
        } else if (xml.isStartElement()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            cost += ElementCost;
            for (const QXmlStreamAttribute& attribute : attributes) {
                cost += attribute.value().size();
            }
            if (cost > costLimit) {
                parsed.cut = true;
                break;
            }
            auto node = std::make_unique<Node>();
            node->name = xml.name().toString().toLower();
            node->attributes = attributes;
            Node* raw = node.get();
            open.back()->children.push_back(std::move(node));
            open.push_back(raw);
        } else if (xml.isEndElement()) {
            if (open.size() > 1) {
                open.pop_back();
            }
        } else if (xml.isCharacters() || xml.isEntityReference()) {
            const QStringView text = xml.text();
            cost += text.size() + 1;
            if (cost > costLimit) {
                parsed.cut = true;
                break;
            }
            auto node = std::make_unique<Node>();
            node->text = text.toString();
            open.back()->children.push_back(std::move(node));
        }
    }
    if (xml.hasError() && !parsed.cut) {
        parsed.damage = QStringLiteral("%1 (line %2)").arg(xml.errorString()).arg(xml.lineNumber());
    }
    return parsed;
}

} // namespace Epub
