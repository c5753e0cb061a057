#pragma once

#include <QObject>
#include <QString>

class HelpSystem;
class QWidget;

// Names the help topic of a window for F1: an object of the help file, e.g. "/auswertung.html".
void SetHelpTopic(QWidget *window, const QString &object);

// F1, the help key of every desktop program, in every window of the program: the help opens
// with the topic of the window in front. That is the topic the window names (SetHelpTopic),
// else what its help button (Alt+F1) opens, else the topic of the window it belongs to (a
// message box, the category overview, a calendar). The help window itself ignores it.
class THelpKey : public QObject
{
public:
    THelpKey(HelpSystem &help, QString helpFile, QObject *parent = nullptr);
    ~THelpKey() override;

    // What F1 does in the window; false when no window on the way has a topic.
    bool ShowHelpFor(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    HelpSystem &Help_;
    QString HelpFile_;
};
