#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Lets a widget take another's place in a window: it keeps the other's geometry whenever that
// one is moved or resized (by the window's own layout rule), and shows in its stead on demand.
// The windows' own code keeps working on the widget it knows.
class StandIn : public QObject
{
    Q_OBJECT
public:
    // standIn and original are siblings; standIn starts hidden.
    StandIn(QWidget* standIn, QWidget* original);

    // Shows the stand-in over the original's place, or the original again.
    void show(bool standInShown);
    bool isShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_standIn;
    QPointer<QWidget> m_original;
};
