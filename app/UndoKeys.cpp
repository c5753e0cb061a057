// Undo and redo in the main window: Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z on every panel, and the
// short note of what was taken back or done again.

#include "app/UnitQEL.h"

#include "books/HistoryPlayer.h"
#include "books/BookManager.h"
#include "ledger/QelError.h"

#include <QApplication>
#include <QDateTime>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>

void TFormQEL::BuildUndoKeys()
{
    const auto add = [this](const QKeySequence &keys, bool undo) {
        auto *shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, undo] { UndoOrRedo(undo); });
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), true);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), false);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), false);

    // Below the menu column, where nothing else stands.
    LabelHistoryNote = new QLabel(this);
    LabelHistoryNote->setObjectName(QStringLiteral("LabelHistoryNote"));
    LabelHistoryNote->setGeometry(6, 486, 145, 38);
    LabelHistoryNote->setWordWrap(true);
    LabelHistoryNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pal = LabelHistoryNote->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    LabelHistoryNote->setPalette(pal);
    QFont font = LabelHistoryNote->font();
    font.setPixelSize(10);
    LabelHistoryNote->setFont(font);
}

void TFormQEL::UndoOrRedo(bool undo)
{
    std::optional<PlayOutcome> outcome;
    try {
        HistoryPlayer player(Books_);
        outcome = undo ? player.Undo() : player.Redo();
    } catch (const QelError &error) {
        // Nothing was changed; the box says why, and the note must not claim there was nothing to do.
        LabelHistoryNote->clear();
        LabelHistoryNote->setToolTip(QString());
        Report(error.Message());
        return;
    }
    if (!outcome) {
        LabelHistoryNote->setText(undo ? HistoryPlayer::NothingToUndoMessage() : HistoryPlayer::NothingToRedoMessage());
        LabelHistoryNote->setToolTip(QString());
    } else {
        const QString message = outcome->Message(undo);
        // The note names the step; what stayed is in its hint, and said at once when anything did.
        LabelHistoryNote->setText(message.section(u'\n', 0, 0));
        LabelHistoryNote->setToolTip(message);
        if (!outcome->Left.isEmpty())
            Report(message);
    }
    Books_.Books().SetSelected(Books_.CurrentBook().isEmpty() ? -1 : Books_.FindBook(Books_.CurrentBook()));
    // A book taken back may have been the open one: its panels have nothing to show.
    if (Books_.CurrentBook().isEmpty() && PanelIndex_ != 0 && PanelIndex_ != 3)
        ShowPanel(0);
    ShowBookState();
    ShowRegularTotals();
}
