#pragma once

#include <QString>

class QLabel;
class QWidget;

// The centred, wrapped text a view shows in place of a book it cannot show, saying why.
QLabel* makeExplanationLabel(QWidget* parent, const char* objectName,
                             const QString& accessibleName);
