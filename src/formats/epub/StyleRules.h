#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace Epub {

// The cascade of a book's style sheets, resolved by the reading view itself rather than by Qt's
// HTML reader: Qt matches every rule without an element name against every element (a sheet of
// 20,000 class rules over 20,000 paragraphs takes minutes), and takes em, % and rem as plain
// points. Here each rule is filed once under the last part of its selector (its id, a class,
// its tag), so an element is matched only against the rules that can apply to it; the
// converter writes what an element receives into its own style.
//
// Selectors of compounds (p, .note, p.note, #id, *) joined by descendant, child (>) and
// adjacent-sibling (+) combinators are matched, and the first letter of what they match
// (p::first-letter); selectors with other pseudo-classes, attributes or the ~ combinator are left
// to Qt (a few of them; see qtCss). Matching is held to a budget of steps
// per sheet, so a hostile sheet costs no more than an ordinary one; past it, rules are no longer
// applied and exhausted() says so.
class StyleRules
{
public:
    // Property (lower case) and value, in the order they apply, each property once.
    using Declarations = QList<std::pair<QString, QString>>;

    // One element as selectors see it; parent and previous (the element just before it under
    // the same parent) are the elements around it, or null.
    struct Element
    {
        QString tag; // lower case
        QStringList classes;
        QString id;
        const Element* parent = nullptr;
        const Element* previous = nullptr;
    };

    // Rules without a matchable selector handed to Qt, at most.
    static constexpr int MaxQtRules = 100;
    // Rules whose last part matches any element, at most (each is tried on every element).
    static constexpr int MaxUniversalRules = 64;
    // Classes of one element that rules are looked up under, at most.
    static constexpr int MaxElementClasses = 32;
    // Selector steps for all elements of a chapter, at most.
    static constexpr qint64 StepBudget = 5'000'000;

    void addStyleSheet(const QString& css);

    // The declarations the sheet gives element (or its first letter): later and more specific
    // rules win. Elements that receive the same rules share one list, which lives as long as
    // these rules.
    Declarations declarationsFor(const Element& element, bool firstLetter = false) const;
    bool hasFirstLetterRules() const { return m_firstLetterRules > 0; }
    // The rules left to Qt's HTML reader, as a style sheet (em turned to pixels).
    QString qtCss(qreal basePoints) const;
    // True when the budget ran out and later elements received no rules.
    bool exhausted() const { return m_steps > StepBudget; }

    // The value the last declaration of property has, or empty.
    static QString valueOf(const Declarations& declarations, const QString& property);
    // The declarations of a style text, in order, each property once (the last one given).
    static Declarations declarations(const QString& style);
    // The font size in points a value gives, against the parent's and the root's size;
    // parentPoints when the value is not understood.
    static qreal fontPoints(const QString& value, qreal parentPoints, qreal rootPoints);

private:
    struct Compound
    {
        QString tag; // empty for any
        QStringList classes;
        QString id;
    };
    struct Rule
    {
        QList<Compound> compounds; // left to right
        QList<QChar> combinators;  // between compounds: ' ', '>' or '+'
        qint64 specificity = 0;
        int order = 0;
        bool firstLetter = false; // the rule styles the first letter of what it matches
        Declarations declarations;
    };
    static bool parseSelector(QStringView text, Rule* rule, bool* unsupported);
    static bool compoundMatches(const Compound& compound, const Element& element);
    bool matches(const Rule& rule, qsizetype index, const Element& element) const;
    void file(int rule);

    QList<Rule> m_rules;
    // Each rule is filed once, under the last part of its selector: its id, else its first
    // class, else its tag, else as a rule for every element.
    QHash<QString, QList<int>> m_byId;
    QHash<QString, QList<int>> m_byClass;
    QHash<QString, QList<int>> m_byTag;
    QList<int> m_universal;
    QList<std::pair<QString, QString>> m_qtRules;       // selector text, declaration text
    mutable QHash<QByteArray, Declarations> m_cascades; // matched rules -> their cascade
    mutable qint64 m_steps = 0;
    int m_firstLetterRules = 0;
};

} // namespace Epub
