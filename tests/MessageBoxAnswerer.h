#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Answers the next message box that opens: records its title and text and clicks the button
// with the given caption. Works while the box runs its own event loop. With keepAnswering it
// answers every such box while it lives and keeps their texts in order.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QString button, bool keepAnswering = false)
        : Button_(std::move(button))
        , KeepAnswering_(keepAnswering)
    {
        Timer_.setInterval(20);
        connect(&Timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            Title = box->windowTitle();
            Text = box->text();
            ++Count;
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == Button_) {
                    Texts.append(Text);
                    if (!KeepAnswering_)
                        Timer_.stop();
                    b->click();
                    return;
                }
            }
        });
        Timer_.start();
    }

    QString Title;
    QString Text;
    QStringList Texts; // of the boxes answered
    int Count = 0;

private:
    QString Button_;
    bool KeepAnswering_ = false;
    QTimer Timer_;
};
