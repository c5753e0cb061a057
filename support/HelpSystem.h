#pragma once

#include <QString>

#include <memory>

class ChmArchive;
class HelpWindow;
class TDLogFile;

// Context help: shows the topic of a context number of the help file in the help
// window. Nothing is reported to the user when a topic cannot be shown; in debug mode
// the log records each request and its result. The main window owns one.
class HelpSystem
{
public:
    explicit HelpSystem(TDLogFile &log);
    ~HelpSystem();
    HelpSystem(const HelpSystem &) = delete;
    HelpSystem &operator=(const HelpSystem &) = delete;

    // True when the help file can be read (the program was built with chmlib).
    bool Installed() const;

    // Shows the topic of the context number. "%20" in the file name stands for a
    // blank, leading and trailing blanks are dropped; a window name is passed on as
    // "file>window". 0 when the topic is shown, otherwise 1.
    int HHHelpContext(const QString &helpFile, int context, const QString &window = {}, int mode = 0);
    // The same for a help path as built above ("file" or "file>window").
    int ShowContext(const QString &path, int context);
    // Shows an object of the help file by its path ("/auswertung.html"), for the windows
    // whose topic has no context number. 0 when shown, otherwise 1; logged like a context.
    int ShowTopic(const QString &helpFile, const QString &object);

    // The help window once a topic has been shown, else nullptr.
    HelpWindow *Window() const { return Window_.get(); }

private:
    bool Show(const QString &path, int context);
    bool ShowObject(std::shared_ptr<const ChmArchive> archive, const QString &object);

    TDLogFile &Log_;
    std::unique_ptr<HelpWindow> Window_;
};
