#include "views/ExplanationLabel.h"

#include <QLabel>

QLabel* makeExplanationLabel(QWidget* parent, const char* objectName, const QString& accessibleName)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(objectName));
    label->setAccessibleName(accessibleName);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setMargin(24);
    label->setAutoFillBackground(true);
    return label;
}
