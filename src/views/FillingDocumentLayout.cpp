#include "views/FillingDocumentLayout.h"

FillingDocumentLayout::FillingDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document)
{
}
