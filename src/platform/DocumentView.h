#pragma once

#include <QWidget>

// ole1: shows a word-processor document (".doc") read-only, converted by an outside converter.
class DocumentView : public QWidget
{
    Q_OBJECT
public:
    explicit DocumentView(QWidget* parent = nullptr);
    ~DocumentView() override;

    // Builds the document from the file; false when it cannot be shown (the view then explains).
    bool CreateEmbedFromFile(const QString& path, QString* error = nullptr);
    // Activation with a verb (-4: user-interface activation) and its undoing before hiding.
    void DoVerb(int verb);
    void Deactivate();
    bool isActive() const;
    // The text the view shows.
    QString text() const;
};
