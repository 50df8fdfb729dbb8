#include "controls/TFilenameEdit.h"

#include "rtl/Exception.h"

#include <QFileInfo>

namespace scindra {

namespace {

// The characters each style refuses in a file name. POSIX refuses only the
// double quote: it is the one character the quoting cannot carry.
QString RefusedCharacters(PathStyle style)
{
    return style == PathStyle::Windows ? QStringLiteral("<>\"[]|") : QStringLiteral("\"");
}

// An existing directory entry that is not a folder. On POSIX this is a plain
// existence test: wildcards are ordinary characters there.
bool NamesExistingFile(const QString& text)
{
    if (text.isEmpty() || text.contains(QChar(u'\0')))
        return false;
    const QFileInfo info(text);
    return info.exists() && !info.isDir();
}

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// The first token of a text read like a command line; quotes group and are
// dropped. The text ends at a NUL, as the name it stands for would.
QString FirstToken(const QString& text)
{
    const QString t = text.left(text.indexOf(QChar(u'\0')) >= 0 ? text.indexOf(QChar(u'\0')) : text.size());
    const QChar quote = QLatin1Char('"');
    qsizetype i = 0;
    const qsizetype n = t.size();
    for (;;) {
        while (i < n && IsBlank(t[i]))
            ++i;
        if (i + 1 < n && t[i] == quote && t[i + 1] == quote) {
            i += 2;
            continue;
        }
        break;
    }
    QString token;
    bool quoted = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c == quote)
            quoted = !quoted;
        else if (!quoted && c.unicode() <= 32)
            break;
        else
            token += c;
    }
    return token;
}

} // namespace

TFilenameEdit::TFilenameEdit(QWidget* parent) : TFileDirEdit(parent) {}

QString TFilenameEdit::QuoteFileName(const QString& name)
{
    if (name.contains(QLatin1Char(' ')) && !name.startsWith(QLatin1Char('"')))
        return QLatin1Char('"') + name + QLatin1Char('"');
    return name;
}

QString TFilenameEdit::FileNameFromText(const QString& text)
{
    return NamesExistingFile(text) ? text : FirstToken(text);
}

bool TFilenameEdit::IsValidFileName(const QString& name, PathStyle style)
{
    if (name.isEmpty())
        return false;
    const QString refused = RefusedCharacters(style);
    return std::none_of(name.begin(), name.end(), [&](QChar c) { return refused.contains(c); });
}

QString TFilenameEdit::FolderPart(const QString& name, PathStyle style)
{
    return QString::fromStdString(DossierDe(name.toStdString(), style));
}

QString TFilenameEdit::NamePart(const QString& name, PathStyle style)
{
    return QString::fromStdString(NomDeFichier(name.toStdString(), style));
}

QString TFilenameEdit::TrimInitialDir(const QString& dir, PathStyle style)
{
    if (dir.size() <= 1)
        return dir;
    if (style == PathStyle::Windows) {
        if (dir.endsWith(QLatin1Char('\\')) && dir[dir.size() - 2] != QLatin1Char(':'))
            return dir.chopped(1);
        return dir;
    }
    return dir.endsWith(QLatin1Char('/')) ? dir.chopped(1) : dir;
}

QString TFilenameEdit::FileName() const
{
    return FileNameFromText(Text());
}

void TFilenameEdit::SetFileName(const QString& value)
{
    if (!value.isEmpty() && !IsValidFileName(FileNameFromText(value), pathStyle_))
        throw EComboEditError("Nom de fichier incorrect - " + value.toStdString());
    SetText(QuoteFileName(value));
    ClearNameList();
}

void TFilenameEdit::SetInitialDir(const QString& dir)
{
    dialog_.InitialDir = TrimInitialDir(dir, pathStyle_);
}

void TFilenameEdit::SetDialogOptions(TOpenOptions options)
{
    if (options == dialog_.Options)
        return;
    dialog_.Options = options;
    SetMultipleDirs(options.testFlag(ofAllowMultiSelect));
    if (!MultipleDirs())
        ClearNameList();
}

QString TFilenameEdit::LongFormName() const
{
    // POSIX keeps one form of every name: both are the entry's own name.
    const QFileInfo info(FileName());
    return !FileName().isEmpty() && info.exists() ? info.fileName() : QString();
}

QString TFilenameEdit::ShortFormName() const
{
    return LongFormName();
}

void TFilenameEdit::TakeDroppedName(const QString& name)
{
    if (!MultipleDirs()) {
        SetFileName(name);
        return;
    }
    if (dialog_.Files.isEmpty())
        SetFileName(name);
    dialog_.Files << name;
}

void TFilenameEdit::ClearNameList()
{
    dialog_.Files.clear();
}

void TFilenameEdit::PresetDialog(QString& name)
{
    if (!IsValidFileName(name, pathStyle_))
        return;  // the dialog keeps the name and folder of its previous use
    const QString folder = FolderPart(name, pathStyle_);
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        SetInitialDir(folder);
    const QString namePart = NamePart(name, pathStyle_);
    if (namePart.isEmpty() || !IsValidFileName(namePart, pathStyle_))
        name.clear();
    dialog_.FileName = name;
}

void TFilenameEdit::ButtonPressed()
{
    TFileDirEdit::ButtonPressed();
    QString name = FileNameFromText(Text());
    bool action = true;
    BeforeDialog(name, action);
    if (!action)
        return;
    try {
        PresetDialog(name);
    } catch (const std::exception&) {
        // Pre-setting the dialog is a convenience: the dialog opens anyway.
    }
    action = RunFileDialog(dialog_, this);
    if (action)
        name = dialog_.FileName;
    FocusAfterDialog();
    AfterDialog(name, action);
    if (!action)
        return;
    // The chosen name is written as it is: the dialog vouches for it.
    SetText(QuoteFileName(name));
    SetInitialDir(FolderPart(dialog_.FileName, pathStyle_));
}

} // namespace scindra
