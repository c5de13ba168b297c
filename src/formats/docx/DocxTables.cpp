#include "formats/docx/DocxTables.h"

#include <QHash>
#include <QString>
#include <QXmlStreamReader>

namespace Docx {

namespace {

enum class Merge
{
    None,
    Restart,
    Continue
};

struct Cell
{
    int ordinal;
    int column = 0;
    int span = 1;
    Merge merge = Merge::None;
    bool hasText = false;
};

struct Table
{
    QList<QList<Cell>> rows;
    int column = 0;
};

// Sets the spans of the table's cells in spans (indexed by ordinal), going down the rows:
// a cell that continues a merge adds a row to the cell that started it.
void settle(const Table& table, QList<int>& spans)
{
    QHash<int, int> active; // column -> ordinal of the cell its merge started in
    for (const QList<Cell>& row : table.rows) {
        QHash<int, int> next;
        for (const Cell& cell : row) {
            const auto start = active.constFind(cell.column);
            if (cell.merge == Merge::Continue && !cell.hasText && start != active.cend()) {
                ++spans[*start];
                spans[cell.ordinal] = 0;
                next.insert(cell.column, *start);
            } else if (cell.merge != Merge::None) {
                next.insert(cell.column, cell.ordinal);
            }
        }
        active = next;
    }
}

QString val(const QXmlStreamReader& xml)
{
    for (const QXmlStreamAttribute& attribute : xml.attributes()) {
        if (attribute.name() == QLatin1String("val")) {
            return attribute.value().toString();
        }
    }
    return {};
}

} // namespace

QList<int> verticalSpans(const QByteArray& documentXml)
{
    QList<int> spans;
    QList<Table> tables;
    int paragraphs = 0; // paragraphs open: tables inside them (text boxes) are not tables here
    QXmlStreamReader xml(documentXml);
    auto currentCell = [&]() -> Cell* {
        if (tables.isEmpty() || tables.last().rows.isEmpty() ||
            tables.last().rows.last().isEmpty()) {
            return nullptr;
        }
        return &tables.last().rows.last().last();
    };
    while (!xml.atEnd()) {
        xml.readNext();
        const auto name = xml.name();
        if (xml.isStartElement()) {
            if (name == QLatin1String("Fallback") || name == QLatin1String("del") ||
                name == QLatin1String("moveFrom")) {
                xml.skipCurrentElement(); // the document reader leaves these out too
            } else if (name == QLatin1String("p")) {
                ++paragraphs;
            } else if (paragraphs > 0) {
                if (name == QLatin1String("t") && !tables.isEmpty()) {
                    Cell* cell = currentCell();
                    if (cell && !xml.readElementText().trimmed().isEmpty()) {
                        cell->hasText = true;
                    }
                }
            } else if (name == QLatin1String("tbl")) {
                tables.append(Table{});
            } else if (name == QLatin1String("tr") && !tables.isEmpty()) {
                tables.last().rows.append(QList<Cell>{});
                tables.last().column = 0;
            } else if (name == QLatin1String("gridBefore") && !tables.isEmpty()) {
                tables.last().column += qBound(0, val(xml).toInt(), 64);
            } else if (name == QLatin1String("tc") && !tables.isEmpty() &&
                       !tables.last().rows.isEmpty()) {
                Cell cell{int(spans.size())};
                cell.column = tables.last().column;
                tables.last().rows.last().append(cell);
                spans.append(1);
            } else if (name == QLatin1String("gridSpan")) {
                if (Cell* cell = currentCell()) {
                    cell->span = qBound(1, val(xml).toInt(), 64);
                }
            } else if (name == QLatin1String("vMerge")) {
                if (Cell* cell = currentCell()) {
                    cell->merge =
                        val(xml) == QLatin1String("restart") ? Merge::Restart : Merge::Continue;
                }
            }
        } else if (xml.isEndElement()) {
            if (name == QLatin1String("p")) {
                --paragraphs;
            } else if (paragraphs > 0) {
                continue;
            } else if (name == QLatin1String("tc")) {
                if (Cell* cell = currentCell()) {
                    tables.last().column += cell->span;
                }
            } else if (name == QLatin1String("tbl") && !tables.isEmpty()) {
                settle(tables.takeLast(), spans);
            }
        }
    }
    while (!tables.isEmpty()) {
        settle(tables.takeLast(), spans);
    }
    return spans;
}

} // namespace Docx
