// The main window driven as a user would: real files in a temporary folder,
// a file dialog that answers by itself, and the error box read through a
// recording reporter (with the box's own final-period rule).

#include "app/TApplication.h"
#include "controls/TDirectoryEdit.h"
#include "controls/TEditInteger.h"
#include "controls/TFilenameEdit.h"
#include "engine/PieceCopier.h"
#include "platform/AnsweringFileDialog.h"
#include "rtl/Guard.h"
#include "ui/main/TScindra.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace scindra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const QString kEnCours = QStringLiteral(" Découpage en cours... Patientez...");
const QString kTermine = QStringLiteral(" Découpage Terminé...              ");
const QString kRebuilding = QStringLiteral(" Reconstruction en cours... Patientez...");
const QString kRebuilt = QStringLiteral(" Reconstruction Terminé...");
const QString kNotANumber = QStringLiteral("'' n'est pas une valeur entière correcte.");

// Binds a socket to `path` and closes it: the name stays, and opens as no file.
bool LeaveSocketAt(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{AF_UNIX, {}};
    if (static_cast<size_t>(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int handle = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(handle); // the name stays bound
    return bound;
}

class TScindraTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousReporter = SetErrorReporter([this](const std::exception& error) {
            errors.push_back(ErrorBoxText(QString::fromUtf8(error.what())));
        });
        window.show();
    }
    void TearDown() override { SetErrorReporter(previousReporter); }

    QString Path(const QString& name) const { return folder.filePath(name); }

    // A file of `size` bytes whose content differs from piece to piece.
    QString MakeFile(const QString& name, qint64 size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qint64 i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }

    static QByteArray Contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Presses an edit's embedded button with its keyboard shortcut, as a user can.
    static void PressButton(TFilenameEdit* edit) { QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier); }
    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    void ChooseSource(const QString& path)
    {
        dialog.AnswerWith({path});
        PressButton(window.SourcePath_Edit);
        dialog.Cancel();
    }

    // Makes a source of `size` bytes, chooses it and presses "Valider".
    QString Validate(qint64 size, const QString& name = QStringLiteral("clip.avi"))
    {
        const QString source = MakeFile(name, size);
        ChooseSource(source);
        EXPECT_TRUE(window.Valider_Btn->isEnabled());
        Click(window.Valider_Btn);
        return source;
    }

    void ChooseCount(const QString& count)
    {
        window.Nombre_Edit->setCurrentIndex(window.Nombre_Edit->findText(count));
    }

    QStringList Rows(int column) const
    {
        QStringList rows;
        for (int row = 0; row < window.Nom_ListView->rowCount(); ++row)
            rows << window.Nom_ListView->item(row, column)->text();
        return rows;
    }

    QLineEdit* NumberEdit() const { return window.Nombre_Edit->lineEdit(); }

    QTemporaryDir folder;
    AnsweringFileDialog dialog;
    std::vector<QString> errors;
    ErrorReporter previousReporter;
    TScindra window;
};

TEST_F(TScindraTest, StartsWithOnlyTheFileFieldsTakingInputAndQuitterCloses)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Scindra 1.00"));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.PageControl1->currentWidget(), window.TabSheet1);

    for (QWidget* idle : std::initializer_list<QWidget*>{window.Valider_Btn, window.Decouper_Btn, window.Nom_Edit,
                                                        window.Nombre_Edit, window.Reconstruire_Btn})
        EXPECT_FALSE(idle->isEnabled()) << idle->objectName().toStdString();
    for (QWidget* open : std::initializer_list<QWidget*>{window.SourcePath_Edit, window.SourcePath1_Edit,
                                                        window.TailleActuel_Edit, window.TailleNouvelle_Edit,
                                                        window.Destination001_Edit, window.Destination_Edit})
        EXPECT_TRUE(open->isEnabled()) << open->objectName().toStdString();
    EXPECT_FALSE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.StatusText(), QString());
    EXPECT_EQ(window.SourcePath_Edit->Text() + window.SourcePath1_Edit->Text() + window.Destination_Edit->Text(),
              QString());
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);

    window.Quitter_Menu->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TScindraTest, TabGoesThroughEachPageInFillingOrder)
{
    const std::vector<QWidget*> expected = {
        window.SourcePath_Edit,     window.Valider_Btn,         window.SourcePath1_Edit, window.Decouper_Btn,
        window.Nom_Edit,            window.Nom_ListView,        window.TailleActuel_Edit,
        window.TailleNouvelle_Edit, window.Nombre_Edit,         window.Destination001_Edit,
        window.Reconstruire_Btn,    window.Destination_Edit,
    };
    std::vector<QWidget*> chain;
    QWidget* widget = window.PageControl1;
    for (int steps = 0; steps < 500 && chain.size() < expected.size(); ++steps) {
        widget = widget->nextInFocusChain();
        if (std::find(expected.begin(), expected.end(), widget) != expected.end()
            && std::find(chain.begin(), chain.end(), widget) == chain.end())
            chain.push_back(widget);
    }
    EXPECT_EQ(chain, expected);
}

TEST_F(TScindraTest, ChoosingASourceAndValiderFillTheFiguresTheListAndTheRebuildingPage)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 10'000'000);
    ChooseSource(source);
    const QString folderText = folder.path() + QLatin1Char('/');
    EXPECT_EQ(window.SourcePath_Edit->FileName(), source);
    EXPECT_EQ(window.SourcePath1_Edit->Text(), folderText);
    EXPECT_EQ(window.Destination_Edit->FileName(), folderText);
    ASSERT_TRUE(window.Valider_Btn->isEnabled());

    Click(window.Valider_Btn);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(window.TailleFichier, 10'000'000);
    EXPECT_EQ(window.ExtensionOrigine, QStringLiteral(".avi"));
    EXPECT_EQ(window.FinNom, QStringLiteral("p.avi"));
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("clip"));
    EXPECT_EQ(window.TailleActuel_Edit->Value(), 10);
    EXPECT_EQ(window.TailleNouvelle_Edit->Value(), 5);
    EXPECT_EQ(Rows(0), QStringList({"clip.001", "clip.002"}));
    EXPECT_EQ(Rows(1), QStringList({"5 Mo", "5 Mo"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), source);
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination : .avi:"));
    EXPECT_FALSE(window.Valider_Btn->isEnabled());
    EXPECT_TRUE(window.Decouper_Btn->isEnabled());
    EXPECT_TRUE(window.Nom_Edit->isEnabled());
    EXPECT_TRUE(window.Nombre_Edit->isEnabled());

    // 10 / 4 = 2.5 rounds to the even 2.
    ChooseCount(QStringLiteral("4"));
    EXPECT_EQ(Rows(1), QStringList({"2 Mo", "2 Mo", "2 Mo", "2 Mo"}));
    EXPECT_EQ(window.TailleNouvelle_Edit->Value(), 2);
    // A typed "Actuel" sets "Nouvelle"; the list still follows the file.
    window.TailleActuel_Edit->setText(QStringLiteral("20"));
    ChooseCount(QStringLiteral("6"));
    EXPECT_EQ(window.TailleNouvelle_Edit->Value(), 3);  // 20 / 6, where the file gives 10 / 6 = 2
    EXPECT_EQ(Rows(1), QStringList(6, QStringLiteral("2 Mo")));

    // Every validation appends the extension again.
    Guard([this] { window.Valider_BtnClick(); });
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination : .avi: .avi:"));
    EXPECT_THAT(errors, IsEmpty());

    // Another file of the same folder leaves the folder field as it was, so
    // "Valider" stays disabled.
    ChooseSource(MakeFile(QStringLiteral("other.avi"), 10));
    EXPECT_FALSE(window.Valider_Btn->isEnabled());
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);

    // A change of the folder field enables "Valider" only while there is a
    // source: emptying the source empties the folder field, which disables it.
    window.SourcePath1_Edit->SetText(QDir::tempPath());
    EXPECT_TRUE(window.Valider_Btn->isEnabled());
    window.SourcePath_Edit->SetText(QString());
    EXPECT_EQ(window.SourcePath1_Edit->Text(), QString());
    EXPECT_FALSE(window.Valider_Btn->isEnabled());
    window.SourcePath1_Edit->SetText(folderText);
    EXPECT_FALSE(window.Valider_Btn->isEnabled());
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TScindraTest, ValiderOnAMissingSourceKeepsTheFieldsAndReportsIt)
{
    const QString missing = Path(QStringLiteral("absent.avi"));
    window.SourcePath_Edit->SetText(missing);
    Click(window.Valider_Btn);

    EXPECT_THAT(errors, ElementsAre(QStringLiteral("Impossible d'ouvrir le fichier ") + missing + '.'));
    EXPECT_TRUE(window.Valider_Btn->isEnabled());
    EXPECT_TRUE(window.Decouper_Btn->isEnabled());
    EXPECT_TRUE(window.Nombre_Edit->isEnabled());
    EXPECT_FALSE(window.Nom_Edit->isEnabled());
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("Nouveau"));
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination :"));
}

TEST_F(TScindraTest, NumberFieldDropsTheListedCharacters)
{
    Validate(3'000'000);
    const QString refused = QStringLiteral(" !\"+-/:<=?Az^`~\u00A8\u20AC\u00A3\u00B5\u00E9\u00F9\u00B2");
    const QString taken = QStringLiteral("7,.>\u00FC\u00BD\u00E2");
    // Typed as a key, or composed (a dead key, an input method) and committed.
    const auto type = [this](QChar character, bool composed) {
        NumberEdit()->setText(QStringLiteral("2"));
        NumberEdit()->end(false);
        if (composed) {
            QInputMethodEvent commit;
            commit.setCommitString(QString(character));
            QApplication::sendEvent(window.Nombre_Edit, &commit);
        } else {
            QTest::sendKeyEvent(QTest::Click, NumberEdit(), Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        }
        return NumberEdit()->text();
    };
    for (bool composed : {false, true}) {
        for (QChar c : refused)
            EXPECT_EQ(type(c, composed), QStringLiteral("2")) << composed << " U+" << std::hex << int(c.unicode());
        for (QChar c : taken)
            EXPECT_EQ(type(c, composed), QStringLiteral("2") + c) << composed << " U+" << std::hex << int(c.unicode());
    }
}

TEST_F(TScindraTest, NumberFieldReportsWhatItCannotRead)
{
    Validate(3'000'000);
    struct Row {
        const char* start;
        int key;
        const char* error;
    };
    // With 0 pieces "Actuel" reads 3, so the division has a non-zero dividend.
    const Row rows[] = {
        {"2", ',', "'2,' n'est pas une valeur entière correcte."},
        {"2", Qt::Key_Backspace, "'' n'est pas une valeur entière correcte."},
        {"", '0', "Division par zéro en virgule flottante."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        NumberEdit()->setText(QString::fromLatin1(row.start));
        errors.clear();
        NumberEdit()->end(false);
        QTest::keyClick(NumberEdit(), Qt::Key(row.key));
        EXPECT_THAT(errors, ElementsAre(QString::fromUtf8(row.error)));
        EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
    }
}

TEST_F(TScindraTest, TypedNumberIsNotCompletedFromTheList)
{
    Validate(3'000'000);
    QApplication::setActiveWindow(&window);
    window.Nombre_Edit->setFocus();
    ASSERT_TRUE(window.Nombre_Edit->hasFocus());
    NumberEdit()->clear();
    errors.clear();
    // "1" begins "10", "12", ... of the list; it still means one piece.
    QTest::keyClick(window.Nombre_Edit, Qt::Key_1);
    EXPECT_EQ(NumberEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(Rows(0), QStringList({"clip.001"}));
}

TEST_F(TScindraTest, PastedTextIsNotFilteredButANegativeCountCutsNothing)
{
    const QString source = Validate(3'000'000);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // Ctrl+V, or "Paste" of the edit's standard menu, opened by a right click
    // delivered as the window system does (the combo box hands it to its edit).
    const std::function<void()> pastes[] = {
        [this] { QTest::keyClick(NumberEdit(), Qt::Key_V, Qt::ControlModifier); },
        [this] {
            const QPoint at = NumberEdit()->mapTo(&window, NumberEdit()->rect().center());
            QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, at);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            // Found by the shortcut its text shows, whatever the language.
            const QString shortcut = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
            for (QAction* action : menu->actions())
                if (action->text().endsWith(QLatin1Char('\t') + shortcut))
                    action->trigger();
            menu->close();
        },
    };
    for (const auto& paste : pastes) {
        NumberEdit()->setText(QStringLiteral("2"));
        QGuiApplication::clipboard()->setText(QStringLiteral("-4"));
        NumberEdit()->selectAll();
        paste();
        ASSERT_EQ(NumberEdit()->text(), QStringLiteral("-4"));
        EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
        EXPECT_THAT(errors, IsEmpty());
    }

    Click(window.Decouper_Btn);
    // The message ends with ")", so the box adds no period.
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("Le nombre de morceaux ne peut pas être négatif (-4)")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.001"))));
    EXPECT_EQ(Contents(source).size(), 3'000'000);
}

TEST_F(TScindraTest, ValidatingAgainWithANumberThatCannotBeUsedReportsTwice)
{
    Validate(3'000'000);
    // Once from the list refresh of the name change, once from "Nouvelle";
    // "Actuel" is 3, so 0 pieces is a division by zero.
    const QString division = QStringLiteral("Division par zéro en virgule flottante.");
    for (const auto& [number, error] : {std::pair{QString(), kNotANumber}, std::pair{QStringLiteral("0"), division}}) {
        SCOPED_TRACE(number.toStdString());
        NumberEdit()->setText(number);
        window.Nom_Edit->setText(QStringLiteral("autre"));
        errors.clear();

        Guard([this] { window.Valider_BtnClick(); });
        EXPECT_THAT(errors, ElementsAre(error, error));
        EXPECT_TRUE(window.Valider_Btn->isEnabled());
        EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("clip"));
        EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
        EXPECT_EQ(window.TailleActuel_Edit->Value(), 3);
        EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination : .avi:"));
    }
}

TEST_F(TScindraTest, ClickInTheNameFieldResetsIt)
{
    Validate(3'000'000);
    Click(window.Nom_Edit);
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("Nouveau"));
    EXPECT_EQ(Rows(0), QStringList({"Nouveau.001", "Nouveau.002"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("Nouveau.avi")));

    Click(window.Nom_Edit);
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
    EXPECT_EQ(window.Destination_Edit->Text(), QString());
    EXPECT_THAT(errors, IsEmpty());

    // A double-click (press, release, press, double-click, release) is one
    // click: the list it refills stays.
    window.Nom_Edit->setText(QStringLiteral("clip"));
    QTest::mouseClick(window.Nom_Edit, Qt::LeftButton);
    QTest::mousePress(window.Nom_Edit, Qt::LeftButton);
    QTest::mouseDClick(window.Nom_Edit, Qt::LeftButton);
    QTest::mouseRelease(window.Nom_Edit, Qt::LeftButton);
    EXPECT_EQ(Rows(0), QStringList({"Nouveau.001", "Nouveau.002"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("Nouveau.avi")));
}

TEST_F(TScindraTest, ClickInTheDisabledNameFieldDoesNothing)
{
    // Disabled at start, and again after a "Valider" that could not open its source.
    for (bool validated : {false, true}) {
        SCOPED_TRACE(validated);
        if (validated) {
            window.SourcePath_Edit->SetText(Path(QStringLiteral("absent.avi")));
            Click(window.Valider_Btn);
        }
        ASSERT_FALSE(window.Nom_Edit->isEnabled());
        window.Destination_Edit->SetText(Path(QStringLiteral("garde.avi")));
        errors.clear();
        Click(window.Nom_Edit);
        EXPECT_EQ(window.Destination_Edit->Text(), Path(QStringLiteral("garde.avi")));
        EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("Nouveau"));
        EXPECT_THAT(errors, IsEmpty());
    }
}

// Records what the status line said each time a widget was painted.
class PaintRecorder : public QObject {
public:
    PaintRecorder(const TScindra& window, QWidget* watched) : window_(window) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted.push_back({window_.StatusText(), window_.ProgressBar->value()});
        return false;
    }
    bool Saw(const QString& status, int progress) const
    {
        return std::find(painted.begin(), painted.end(), std::pair{status, progress}) != painted.end();
    }
    std::vector<std::pair<QString, int>> painted;

private:
    const TScindra& window_;
};

TEST_F(TScindraTest, CutWritesShortPiecesPaintsItsProgressAndShowsTheEnd)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QString source = Validate(1'000'003);
    ChooseCount(QStringLiteral("4"));
    // A dotted name shows long rows but writes pieces named after its first part.
    window.Nom_Edit->setText(QStringLiteral("clip.part"));
    EXPECT_EQ(Rows(0), QStringList({"clip.part.001", "clip.part.002", "clip.part.003", "clip.part.004"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("clip.part.avi")));
    const PaintRecorder status(window, window.StatusBar1);
    const PaintRecorder progress(window, window.ProgressBar);
    Click(window.Decouper_Btn);  // no event is handled meanwhile

    EXPECT_THAT(errors, IsEmpty());
    EXPECT_TRUE(status.Saw(kEnCours, 0));
    EXPECT_TRUE(progress.Saw(kEnCours, 100));
    EXPECT_EQ(window.FichierSource, source);
    EXPECT_EQ(window.StatusText(), kTermine);
    EXPECT_TRUE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.ProgressBar->value(), 100);
    EXPECT_TRUE(window.Decouper_Btn->isEnabled());
    // 1,000,003 / 4 = 250,000.75, so four pieces of 250,001 bytes and the rest.
    QByteArray joined;
    for (const char* piece : {"clip.001", "clip.002", "clip.003", "clip.004"}) {
        const QByteArray bytes = Contents(Path(QString::fromLatin1(piece)));
        EXPECT_LE(bytes.size(), 250'001) << piece;
        joined += bytes;
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.005"))));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.part.001"))));
    EXPECT_EQ(joined, Contents(source));

    for (int page : {1, 0}) {
        window.PageControl1->setCurrentIndex(page);
        EXPECT_FALSE(window.ProgressBar->isVisible()) << page;
    }
}

TEST_F(TScindraTest, CutThatFailsOnTheWayKeepsThePiecesWritten)
{
    const QString source = Validate(1'000'003);
    ChooseCount(QStringLiteral("4"));
    const QString folderText = window.SourcePath1_Edit->Text();
    // A folder where the third piece goes: the cut fails after two pieces.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("clip.003")));
    // The folder, the piece that cannot be created, the bar's last value and
    // the pieces written before the failure.
    const std::tuple<QString, QString, int, int> rows[] = {
        {Path(QStringLiteral("absent")), Path(QStringLiteral("absent/clip.001")), 0, 0},
        {folderText, folderText + QStringLiteral("/clip.003"), 50, 2},
    };
    for (const auto& [rowFolder, failing, progress, written] : rows) {
        SCOPED_TRACE(rowFolder.toStdString());
        window.SourcePath1_Edit->SetText(rowFolder);
        errors.clear();
        Click(window.Decouper_Btn);

        EXPECT_THAT(errors, ElementsAre(QStringLiteral("Impossible de créer le fichier %1.").arg(failing)));
        EXPECT_EQ(window.StatusText(), kEnCours);
        EXPECT_TRUE(window.ProgressBar->isVisible());
        EXPECT_EQ(window.ProgressBar->value(), progress);
        EXPECT_TRUE(window.Decouper_Btn->isEnabled());
        for (int k = 1; k <= 2; ++k)
            EXPECT_EQ(Contents(Path(QStringLiteral("clip.00%1").arg(k))),
                      k <= written ? Contents(source).mid((k - 1) * 250'001, 250'001) : QByteArray()) << k;
        EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.004"))));
    }
}

TEST_F(TScindraTest, TinySourcesCannotBeCut)
{
    struct Row {
        qint64 size;
        const char* message;
    };
    for (const Row& row : {Row{1, "Division par zéro en virgule flottante."},
                           Row{0, "Opération en virgule flottante incorrecte."}}) {
        SCOPED_TRACE(row.size);
        // A folder of its own, so that choosing the source enables "Valider" again.
        const QString sub = QStringLiteral("size%1").arg(row.size);
        ASSERT_TRUE(QDir(folder.path()).mkdir(sub));
        Validate(row.size, sub + QStringLiteral("/tiny.bin"));
        errors.clear();
        Click(window.Decouper_Btn);

        EXPECT_THAT(errors, ElementsAre(QString::fromUtf8(row.message)));
        EXPECT_EQ(window.StatusText(), kEnCours);
        EXPECT_TRUE(window.ProgressBar->isVisible());
        EXPECT_FALSE(QFile::exists(Path(sub + QStringLiteral("/tiny.001"))));
    }
}

TEST_F(TScindraTest, RebuildAfterACut)
{
    const QString source = Validate(777'777);
    ChooseCount(QStringLiteral("6"));
    Click(window.Decouper_Btn);
    window.PageControl1->setCurrentIndex(1);

    window.Destination001_Edit->SetFileName(Path(QStringLiteral("clip.001")));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("clip")));

    // Typing a name does not enable "Reconstruire"; the field's button does,
    // even when its dialog is cancelled.
    const QString rebuilt = Path(QStringLiteral("rebuilt copy.avi"));
    window.Destination_Edit->SetText(QLatin1Char('"') + rebuilt + QLatin1Char('"'));
    EXPECT_FALSE(window.Reconstruire_Btn->isEnabled());
    dialog.Cancel();
    PressButton(window.Destination_Edit);
    ASSERT_EQ(dialog.Runs.size(), 2u);  // the source, then this one
    EXPECT_EQ(dialog.Runs.back().Title, QStringLiteral("Ouvrir..."));
    EXPECT_TRUE(dialog.Runs.back().Filter.startsWith(QStringLiteral("Tous(*.*)|*.*|Fichier (*.Avi)|*.Avi|")));
    EXPECT_TRUE(window.Reconstruire_Btn->isEnabled());

    Click(window.Reconstruire_Btn);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(Contents(rebuilt), Contents(source));
    EXPECT_EQ(window.StatusText(), kRebuilt);
    EXPECT_TRUE(window.Reconstruire_Btn->isEnabled());
    EXPECT_FALSE(window.ProgressBar->isVisible());
}

// ---- The window while the work runs on its own thread ----

// Holds the work at the start of its second piece until the test lets it go,
// so what the test does meanwhile surely happens during the work.
class WorkHeldAtSecondPiece {
public:
    WorkHeldAtSecondPiece()
    {
        PieceCopier::SetStepHook([this](PieceCopier::Step step, int64_t) {
            if (step != PieceCopier::Step::PieceStarted || ++pieces_ != 2)
                return;
            holding_ = true;
            // Bounded, so a broken test fails instead of hanging.
            for (int i = 0; i < 20'000 && !released_; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    ~WorkHeldAtSecondPiece() { PieceCopier::SetStepHook({}); }
    void Release() { released_ = true; }
    int Pieces() const { return pieces_; }
    bool Holding() const { return holding_; }

private:
    std::atomic<int> pieces_{0};
    std::atomic<bool> holding_{false}, released_{false};
};

// Runs `action` once on this thread while the work is held.
void DuringTheWork(const TScindra& window, const WorkHeldAtSecondPiece& held, std::function<void()> action)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [&window, &held, timer, action = std::move(action)] {
        if (!window.Working() || !held.Holding())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(0);
}

TEST_F(TScindraTest, DuringACutTimersRunButInputChangesNothingAndTheBarOnlyGrows)
{
    const QString source = Validate(12 << 20);
    ChooseCount(QStringLiteral("2"));
    std::vector<int> values;
    QObject::connect(window.ProgressBar, &QProgressBar::valueChanged, [&values](int value) { values.push_back(value); });
    WorkHeldAtSecondPiece held;
    bool ran = false;
    DuringTheWork(window, held, [&] {
        ran = true;
        EXPECT_EQ(window.StatusText(), kEnCours);
        EXPECT_TRUE(window.Decouper_Btn->isEnabled());
        // A click, a key and a page change, none of which may start anything.
        Click(window.Decouper_Btn);
        QTest::keyClick(window.Decouper_Btn, Qt::Key_Space);
        QTabBar* tabs = window.PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        EXPECT_EQ(window.PageControl1->currentIndex(), 0);
        held.Release();
    });
    Click(window.Decouper_Btn);

    EXPECT_TRUE(ran);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(held.Pieces(), 2); // one cut, two pieces
    EXPECT_EQ(window.StatusText(), kTermine);
    EXPECT_EQ(window.ProgressBar->value(), 100);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_GT(values.size(), 3u); // the bar moved inside the pieces too
    EXPECT_EQ(Contents(Path(QStringLiteral("clip.001"))) + Contents(Path(QStringLiteral("clip.002"))),
              Contents(source));
}

TEST_F(TScindraTest, ClosingDuringTheWorkAsksAndOuiInterruptsItThenCloses)
{
    const QString source = Validate(3000);
    // Whether to rebuild rather than cut, the question, and how it is answered:
    // Enter takes the default button, which must be "Non".
    struct Row { bool rebuild; const char* question; bool oui; };
    for (const Row& row : {Row{false, "Un découpage est en cours. L'interrompre ?", false},
                           Row{false, "Un découpage est en cours. L'interrompre ?", true},
                           Row{true, "Une reconstruction est en cours. L'interrompre ?", true}}) {
        SCOPED_TRACE(row.question + std::string(row.oui ? " Oui" : " Non"));
        window.show();
        for (const char* piece : {"clip.001", "clip.002", "clip.003", "clip.004"})
            QFile::remove(Path(QString::fromLatin1(piece)));
        ChooseCount(QString::fromLatin1(row.rebuild ? "2" : "4"));
        if (row.rebuild) {
            Click(window.Decouper_Btn);
            window.Destination001_Edit->SetFileName(Path(QStringLiteral("clip.001")));
            window.Destination_Edit->SetFileName(Path(QStringLiteral("rebuilt.avi")));
            PressButton(window.Destination_Edit);
        }
        errors.clear();
        WorkHeldAtSecondPiece held;
        QString asked;
        DuringTheWork(window, held, [&] {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                asked = box->text();
                if (row.oui)
                    Click(box->buttons().at(0)->text() == QStringLiteral("Oui") ? box->buttons().at(0)
                                                                                 : box->buttons().at(1));
                else
                    QTest::keyClick(box, Qt::Key_Return);
            });
            window.close();
            held.Release();
        });
        Click(row.rebuild ? window.Reconstruire_Btn : window.Decouper_Btn);
        QCoreApplication::processEvents();

        EXPECT_EQ(asked, QString::fromUtf8(row.question));
        EXPECT_THAT(errors, IsEmpty());
        EXPECT_EQ(window.isVisible(), !row.oui);
        EXPECT_EQ(window.StatusText(), !row.oui ? kTermine : row.rebuild ? kRebuilding : kEnCours);
        // Interrupted, the written part stays: the first piece whole.
        const QByteArray first = Contents(row.rebuild ? Path(QStringLiteral("rebuilt.avi"))
                                                      : Path(QStringLiteral("clip.001")));
        EXPECT_EQ(first, Contents(source).left(row.rebuild ? 1500 : 750));
        if (!row.rebuild) {
            EXPECT_EQ(QFile::exists(Path(QStringLiteral("clip.003"))), !row.oui);
        }
    }
}

// Each failed rebuild leaves the status at its first text and "Reconstruire"
// disabled until the destination field's button is pressed again.
TEST_F(TScindraTest, FailedRebuildsKeepWhatIsOnDiskAndDisableReconstruire)
{
    // The validated source is what the destination field proposes.
    const QString source = Validate(3000);
    const QByteArray original = Contents(source);
    ASSERT_EQ(window.Destination_Edit->FileName(), source);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("dossier.001")));
    const QByteArray first = Contents(MakeFile(QStringLiteral("Nouveau.001"), 10));
    const QString socketPiece = Path(QStringLiteral("Nouveau.002"));
    ASSERT_TRUE(LeaveSocketAt(socketPiece));

    const auto cannotOpen = [](const QString& piece) {
        return QStringLiteral("Impossible d'ouvrir le fichier %1.").arg(piece);
    };
    // The first-piece field (left alone when empty), the destination, the
    // error, and what the destination file holds afterwards.
    const std::tuple<QString, QString, QString, QByteArray> rows[] = {
        // A mistyped or emptied first-piece field must not empty the original.
        {QString(), source, QStringLiteral("Impossible d'ouvrir le fichier "), original},
        {Path(QStringLiteral("clip.01")), source, cannotOpen(Path(QStringLiteral("clip.01"))), original},
        {Path(QStringLiteral("dossier.001")), source, cannotOpen(Path(QStringLiteral("dossier.001"))), original},
        // The message ends in a blank, so the box adds no period.
        {Path(QStringLiteral("Nouveau.001")), QString(), QStringLiteral("Impossible de créer le fichier "), {}},
        // The pieces appended before the one that cannot be read stay.
        {Path(QStringLiteral("Nouveau.001")), Path(QStringLiteral("Nouveau")), cannotOpen(socketPiece), first},
    };
    for (const auto& [firstPiece, destination, error, kept] : rows) {
        SCOPED_TRACE(error.toStdString());
        if (!firstPiece.isEmpty())
            window.Destination001_Edit->SetFileName(firstPiece);
        window.Destination_Edit->SetFileName(destination);
        PressButton(window.Destination_Edit);
        ASSERT_TRUE(window.Reconstruire_Btn->isEnabled());
        errors.clear();

        Click(window.Reconstruire_Btn);
        EXPECT_THAT(errors, ElementsAre(error));
        EXPECT_EQ(window.StatusText(), kRebuilding);
        EXPECT_FALSE(window.Reconstruire_Btn->isEnabled());
        EXPECT_EQ(Contents(destination), kept); // an empty name reads as nothing
    }
    EXPECT_EQ(Contents(source), original);
}

} // namespace
} // namespace scindra
