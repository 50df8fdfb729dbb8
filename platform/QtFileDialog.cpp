#include "platform/QtFileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace scindra {

namespace {

// One pattern list "*.a;*.B" as the toolkit's blank-separated masks.
QString ConvertPatterns(const QString& patterns)
{
    QStringList masks;
    for (const QString& mask : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = mask.trimmed();
        if (trimmed.isEmpty())
            continue;
        masks << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
    }
    return masks.isEmpty() ? QStringLiteral("*") : masks.join(QLatin1Char(' '));
}

QFileDialog::FileMode FileModeFor(const FileDialogSettings& settings, bool save)
{
    if (settings.Options.testFlag(ofAllowMultiSelect))
        return QFileDialog::ExistingFiles;
    if (!save && settings.Options.testFlag(ofFileMustExist))
        return QFileDialog::ExistingFile;
    return QFileDialog::AnyFile;
}

// The dialog reports the chosen filter as shown, that is without the masks
// it hides.
int ChosenFilter(const QStringList& filters, const QString& selected)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        if (filter == selected || filter.left(filter.lastIndexOf(QStringLiteral(" ("))) == selected)
            return int(i);
    }
    return -1;
}

} // namespace

QStringList QtFileDialog::NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + ConvertPatterns(parts[i + 1]) + QLatin1Char(')');
    return filters;
}

int QtFileDialog::InitialFilter(int filterIndex, int count)
{
    return filterIndex >= 1 && filterIndex <= count ? filterIndex - 1 : 0;
}

QString QtFileDialog::DefaultSuffix(const QString& defaultExt)
{
    if (defaultExt.contains(QLatin1Char('*')) || defaultExt.contains(QLatin1Char('?')))
        return {};
    QString suffix = defaultExt;
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    return suffix;
}

std::optional<FileDialogAnswer> QtFileDialog::Execute(const FileDialogSettings& settings,
                                                      QWidget* parent)
{
    const bool save = settings.Kind == dkSave || settings.Kind == dkSavePicture;
    QFileDialog dialog(parent, settings.Title, settings.InitialDir);
    // The toolkit's own dialog keeps filters, modes and letter case the same
    // on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(FileModeFor(settings, save));
    // Replacing an existing file is confirmed only when that was asked for.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.Options.testFlag(ofOverwritePrompt));
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    if (!settings.HistoryList.isEmpty())
        dialog.setHistory(settings.HistoryList);

    const QStringList filters = NameFilters(settings.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters[InitialFilter(settings.FilterIndex, int(filters.size()))]);
    }
    dialog.setDefaultSuffix(DefaultSuffix(settings.DefaultExt));
    if (!settings.FileName.isEmpty())
        dialog.selectFile(settings.FileName);

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;

    FileDialogAnswer answer;
    answer.Files = dialog.selectedFiles();
    const int chosen = ChosenFilter(filters, dialog.selectedNameFilter());
    answer.FilterIndex = chosen >= 0 ? chosen + 1 : settings.FilterIndex;
    // The read-only box is never shown, so it keeps the state it was given.
    answer.ReadOnly = settings.Options.testFlag(ofReadOnly);
    return answer;
}

} // namespace scindra
