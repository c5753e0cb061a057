#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The optional diagnostic log "HHDebug.txt". It is switched on by a file "debug.debug"
// in the program folder or by the argument /debug or -debug (any letter case), and
// is decided once at start-up. Every start removes the log of the previous run; in
// debug mode a header describing the machine and the program follows.
//
// One object, made once at start-up and passed to whoever logs (the help system).
class TDLogFile
{
public:
    TDLogFile(const QString &programFolder, const QStringList &arguments);

    bool DebugMode() const { return DebugMode_; }
    // The folder the log goes to (with a trailing "/") and the log's full path.
    const QString &LogFolder() const { return LogFolder_; }
    const QString &FileName() const { return FileName_; }

    // Appends one line in debug mode, otherwise does nothing. The line gets the time
    // "HH:mm:ss" and three blanks in front. "-" and "=" stand for a rule of that
    // character. A text starting with "!", "-" or "=" loses that character and gets no
    // time, which is how header lines and rules are written. A log file that cannot be
    // opened skips the line.
    void Write(const QString &text);

    // "/debug" or "-debug" in any letter case.
    static bool IsDebugSwitch(QStringView argument);

private:
    void WriteHeader();

    QStringList Arguments_;
    QString LogFolder_;
    QString FileName_;
    bool DebugMode_ = false;
};
