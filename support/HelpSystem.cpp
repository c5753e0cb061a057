#include "support/HelpSystem.h"

#include "support/ChmArchive.h"
#include "support/DiagnosticLog.h"
#include "support/HelpMap.h"
#include "support/HelpWindow.h"

#include <QFileInfo>

HelpSystem::HelpSystem(TDLogFile &log)
    : Log_(log)
{
}

HelpSystem::~HelpSystem() = default;

bool HelpSystem::Installed() const
{
    return ChmArchive::Available();
}

int HelpSystem::HHHelpContext(const QString &helpFile, int context, const QString &window, int mode)
{
    // One pass over the pattern: a "%20" in the file name must not take an argument.
    Log_.Write(QStringLiteral("HHHelpContext(\"%1\", %2, \"%3\", %4)")
                   .arg(helpFile, QString::number(context), window, QString::number(mode)));

    QString path = helpFile;
    path.replace(QStringLiteral("%20"), QStringLiteral(" "));
    qsizetype first = 0;
    qsizetype last = path.size();
    while (first < last && path.at(first) == u' ')
        ++first;
    while (last > first && path.at(last - 1) == u' ')
        --last;
    path = path.sliced(first, last - first);
    if (!window.isEmpty())
        path += u'>' + window;
    return ShowContext(path, context);
}

int HelpSystem::ShowContext(const QString &path, int context)
{
    Log_.Write(QStringLiteral("ShowContext(\"%1\", %2)").arg(path, QString::number(context)));
    const int result = Installed() && Show(path, context) ? 0 : 1;
    Log_.Write(QStringLiteral("  returned - %1").arg(result));
    return result;
}

bool HelpSystem::Show(const QString &path, int context)
{
    if (context < 0)
        return false;
    // One help window serves every window name, so the name only needs to come off.
    QString file = path;
    if (const qsizetype mark = path.lastIndexOf(u'>'); mark >= 0 && !QFileInfo::exists(path))
        file.truncate(mark);

    auto archive = std::make_shared<const ChmArchive>(file);
    if (!archive->IsOpen())
        return false;
    const std::optional<QByteArray> ivb = archive->Read(QStringLiteral("/#IVB"));
    const std::optional<QByteArray> strings = archive->Read(QStringLiteral("/#STRINGS"));
    if (!ivb || !strings)
        return false;
    const QString topic = HelpMap::ParseContextMap(*ivb, *strings).value(quint32(context));
    const QString object = topic.isEmpty() ? QString() : HelpMap::ResolveTopic(topic, archive->ObjectPaths());
    if (object.isEmpty())
        return false;
    return ShowObject(std::move(archive), object);
}

int HelpSystem::ShowTopic(const QString &helpFile, const QString &object)
{
    Log_.Write(QStringLiteral("ShowTopic(\"%1\", \"%2\")").arg(helpFile, object));
    bool shown = false;
    if (Installed()) {
        auto archive = std::make_shared<const ChmArchive>(helpFile);
        shown = archive->IsOpen() && ShowObject(std::move(archive), object);
    }
    const int result = shown ? 0 : 1;
    Log_.Write(QStringLiteral("  returned - %1").arg(result));
    return result;
}

bool HelpSystem::ShowObject(std::shared_ptr<const ChmArchive> archive, const QString &object)
{
    if (!Window_)
        Window_ = std::make_unique<HelpWindow>();
    if (!Window_->ShowTopic(std::move(archive), object))
        return false;
    Window_->BringToFront();
    return true;
}
