#include "support/DiagnosticLog.h"

#include "support/ChmArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QVersionNumber>

namespace {

QString WithSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The program folder when a file can be made there, otherwise the temporary folder.
QString ChooseLogFolder(const QString &programFolder)
{
    QFile probe(WithSlash(programFolder) + QStringLiteral("$_Temp_$.$$$"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        return WithSlash(programFolder);
    }
    return WithSlash(QDir::tempPath());
}

// A header line: "!", the label with its blanks, a tab, the value.
QString HeaderLine(const char16_t *label, const QString &value)
{
    return u'!' + QString::fromUtf16(label) + u'\t' + value;
}

// "0x0407 (1031)"
QString HexAndDecimal(int value)
{
    return QStringLiteral("0x%1 (%2)").arg(QString::number(value, 16).rightJustified(4, u'0').toUpper()).arg(value);
}

// The line has slots for a system name, major.minor version, build number and service
// pack. Here: the kernel's name, its major.minor, its third number as the build, and the
// distribution's name in the service pack's place, e.g.
// "Linux 6.1 (Build 0) Debian GNU/Linux 12 (bookworm)".
QString OperatingSystemText()
{
    QString kernel = QSysInfo::kernelType();
    if (!kernel.isEmpty())
        kernel[0] = kernel[0].toUpper();
    const QVersionNumber version = QVersionNumber::fromString(QSysInfo::kernelVersion());
    return QStringLiteral("%1 %2.%3 (Build %4) %5")
        .arg(kernel, QString::number(version.majorVersion()), QString::number(version.minorVersion()),
             QString::number(version.microVersion()), QSysInfo::prettyProductName());
}

QString ProgramFilePath(const QStringList &arguments)
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return arguments.isEmpty() ? QString() : QFileInfo(arguments.front()).absoluteFilePath();
}

} // namespace

TDLogFile::TDLogFile(const QString &programFolder, const QStringList &arguments)
    : Arguments_(arguments)
    , LogFolder_(ChooseLogFolder(programFolder))
    , FileName_(LogFolder_ + QStringLiteral("HHDebug.txt"))
{
    DebugMode_ = QFileInfo::exists(WithSlash(programFolder) + QStringLiteral("debug.debug"));
    for (qsizetype i = 1; i < arguments.size() && !DebugMode_; ++i)
        DebugMode_ = IsDebugSwitch(arguments.at(i));

    // Every run starts a new log, also a read-only one.
    if (QFileInfo::exists(FileName_)) {
        QFile::setPermissions(FileName_, QFile::permissions(FileName_) | QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(FileName_);
    }
    if (DebugMode_)
        WriteHeader();
}

bool TDLogFile::IsDebugSwitch(QStringView argument)
{
    return argument.compare(u"/debug", Qt::CaseInsensitive) == 0
           || argument.compare(u"-debug", Qt::CaseInsensitive) == 0;
}

void TDLogFile::Write(const QString &text)
{
    if (!DebugMode_)
        return;

    QString line;
    if (text == u"-" || text == u"=")
        line = QString(80, text.front());
    else
        line = text;
    if (line.startsWith(u'!') || line.startsWith(u'-') || line.startsWith(u'='))
        line.remove(0, 1);
    else
        line.prepend(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("   "));

    QFile file(FileName_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QByteArray bytes = line.toUtf8();
    bytes.append('\n');
    file.write(bytes);
    file.flush();
    file.close();
}

void TDLogFile::WriteHeader()
{
    const QString programFile = ProgramFilePath(Arguments_);
    const QFileInfo program(programFile);
    const QString version = QCoreApplication::applicationVersion();
    const QString yesNo = ChmArchive::Available() ? QStringLiteral("YES") : QStringLiteral("NO");
    const QString chmVersion = ChmArchive::LibraryVersion();
    const QString chmName = chmVersion.isEmpty() ? QString() : QStringLiteral("chmlib (libchm.so.") + chmVersion + u')';
    const QString qtVersion = QString::fromLatin1(qVersion());

    // The program's regional conventions are German whatever the machine's locale is,
    // so the locale lines report German (Germany).
    const QStringList lines = {
        QStringLiteral("="),
        HeaderLine(u"Log File:             ", FileName_),
        HeaderLine(u"Date:                 ",
                   QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))),
        HeaderLine(u"Operating System:      ", OperatingSystemText()),
        HeaderLine(u"SysLocale.DefaultLCID: ", HexAndDecimal(0x0407)),
        HeaderLine(u"SysLocale.PriLangID:   ", HexAndDecimal(0x0007)),
        HeaderLine(u"SysLocale.SubLangID:   ", HexAndDecimal(0x0001)),
        HeaderLine(u"DecimalSeparator:      ", QStringLiteral(",")),
        QStringLiteral("-"),
        HeaderLine(u"EXE Path =          ", programFile),
        HeaderLine(u"EXE Version =       ", version),
        HeaderLine(u"Cmdline Param(s) =  ", Arguments_.mid(1).join(QStringLiteral(" | "))),
        HeaderLine(u"Actual CmdLine =  ", Arguments_.join(u' ')),
        HeaderLine(u"_RunDir =           ", WithSlash(program.absolutePath())),
        // The program is its own module here.
        HeaderLine(u"_ModuleName =       ", program.fileName()),
        HeaderLine(u"_ModuleDir =        ", WithSlash(program.absolutePath())),
        HeaderLine(u"_ModulePath =        ", programFile),
        HeaderLine(u"Module Version =       ", version),
        QStringLiteral("-"),
        // The help reader is chmlib, the page renderer Qt's text browser.
        HeaderLine(u"_hhInstalled =      ", yesNo),
        HeaderLine(u"_hhVerStr =         ", chmVersion),
        HeaderLine(u"_hhFriendlyVerStr = ", chmName),
        QStringLiteral("-"),
        HeaderLine(u"_ieInstalled =      ", QStringLiteral("YES")),
        HeaderLine(u"_ieVerStr =         ", qtVersion),
        HeaderLine(u"_ieFriendlyVerStr = ", QStringLiteral("Qt ") + qtVersion + QStringLiteral(" QTextBrowser")),
        QStringLiteral("="),
    };
    for (const QString &line : lines)
        Write(line);
}
