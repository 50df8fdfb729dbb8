#pragma once
// The application object: the title every error box carries, the error box
// itself, and the reporter through which every guarded handler's failure
// reaches the user.

#include "rtl/Guard.h"

#include <QApplication>
#include <QString>
#include <QTranslator>

#include <exception>

namespace scindra {

// The title derived from the program's file name: the part after the last
// separator ("/" or "\"), cut at its first dot, the first character in upper
// case and every other in lower case. "SCINDRA.EXE" and "/usr/bin/scindra"
// give "Scindra", "my.tool.exe" gives "My".
QString TitleFromExecutable(const QString& path);

// The text the error box shows: the message, with a "." appended when its
// last character comes after "." in code-point order.
QString ErrorBoxText(const QString& message);

// Shows the modal error box (stop icon, one "OK" button) and returns once it
// is closed. Any mouse grab is released first so the box can be answered.
void ShowErrorBox(const QString& title, const QString& message);

class TApplication : public QApplication {
    Q_OBJECT

public:
    // Derives the title, installs the tooltip timing and makes the error box
    // the reporter of every guarded handler (the previous reporter comes back
    // when the application ends).
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    QString Title() const { return title_; }

    // Shows one error in the error box; EAbort shows nothing. Safe to call
    // from any thread: other threads hand the message to the interface thread.
    void ShowException(const std::exception& error);

    // Runs the message loop until the main window closes; the program's exit
    // code is always 0.
    int Run();

private:
    void InstallToolkitTranslation();

    QString title_;
    QTranslator toolkitTranslation_;
    ErrorReporter previousReporter_;
};

} // namespace scindra
