#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace Epub {

// The rules of a book's style sheets that the reading view has to resolve itself, because
// Qt's HTML reader cannot: which elements are hidden and what font size each one has (Qt
// takes em, % and rem as plain points). Selectors made of one compound (p, .note, p.note,
// #id, *) are matched; rules with combinators are left to Qt.
class StyleRules
{
public:
    void addStyleSheet(const QString& css);

    // The value of property for an element (later and more specific rules win; the inline
    // style wins over all), or empty when no rule sets it.
    QString value(const QString& property, const QString& tag, const QStringList& classes,
                  const QString& id, const QString& inlineStyle) const;

    // The font size in points a value gives, against the parent's and the root's size;
    // parentPoints when the value is not understood.
    static qreal fontPoints(const QString& value, qreal parentPoints, qreal rootPoints);
    // The declarations of a style text, by property name.
    static QHash<QString, QString> declarations(const QString& style);

private:
    struct Rule
    {
        QString tag; // empty for any
        QStringList classes;
        QString id;
        int specificity = 0;
        int order = 0;
        QHash<QString, QString> declarations;
    };
    QList<Rule> m_rules;
};

} // namespace Epub
