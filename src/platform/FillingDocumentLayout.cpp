#include "platform/FillingDocumentLayout.h"

FillingDocumentLayout::FillingDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document)
{
}
