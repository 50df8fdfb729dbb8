#include "app/TApplication.h"

#include "app/TooltipStyle.h"
#include "rtl/Exception.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <algorithm>

namespace scindra {

QString TitleFromExecutable(const QString& path)
{
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString name = path.mid(separator + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    // Program files are named in lower case here, yet the title is the
    // product's name: its first character is a capital. A character outside
    // the basic plane is two code units and must not be split.
    const qsizetype first = name.front().isHighSurrogate() && name.size() > 1 ? 2 : 1;
    return name.left(first).toUpper() + name.mid(first).toLower();
}

QString ErrorBoxText(const QString& message)
{
    // A trailing surrogate is above "." just like the code point it ends.
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void ShowErrorBox(const QString& title, const QString& message)
{
    // A widget holding the mouse would keep the box from being answered.
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();

    QPointer<QWidget> previouslyActive = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, title, ErrorBoxText(message), QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (previouslyActive)
        previouslyActive->activateWindow();
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // No floating-point trap is enabled: divisions check their divisor
    // themselves and raise the matching error.
    QString program = applicationFilePath();
    if (program.isEmpty() && argc > 0)
        program = QString::fromLocal8Bit(argv[0]);
    title_ = TitleFromExecutable(program);

    // Ties the windows to the installed desktop entry (desktop/), so that a
    // Wayland desktop shows the entry's name and icon for them.
    setDesktopFileName(QStringLiteral("fr.scindra.Scindra"));
    setStyle(new TooltipStyle);
    InstallToolkitTranslation();
    previousReporter_ = SetErrorReporter([this](const std::exception& error) { ShowException(error); });
}

// The toolkit's own dialogs (the file dialog, the folder browser) speak the
// program's language. Without the translation files they stay in English.
void TApplication::InstallToolkitTranslation()
{
    if (toolkitTranslation_.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&toolkitTranslation_);
}

TApplication::~TApplication()
{
    SetErrorReporter(std::move(previousReporter_));
}

void TApplication::ShowException(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    const QString message = QString::fromUtf8(error.what());
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, message] { ShowErrorBox(title_, message); }, Qt::QueuedConnection);
        return;
    }
    ShowErrorBox(title_, message);
}

int TApplication::Run()
{
    exec();
    return 0;
}

} // namespace scindra
