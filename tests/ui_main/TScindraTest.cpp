// The main window driven as a user would: real files in a temporary folder,
// a file dialog that answers by itself, and the error box read through a
// recording reporter (with the box's own final-period rule).

#include "app/TApplication.h"
#include "controls/TDirectoryEdit.h"
#include "controls/TEditInteger.h"
#include "controls/TFilenameEdit.h"
#include "platform/AnsweringFileDialog.h"
#include "rtl/Guard.h"
#include "ui/main/TScindra.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

namespace scindra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

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
    static void PressButton(TFilenameEdit* edit)
    {
        QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    }

    // Chooses the source file through the browse dialog.
    void ChooseSource(const QString& path)
    {
        dialog.AnswerWith({path});
        PressButton(window.SourcePath_Edit);
        dialog.Cancel();
    }

    // Chooses the source and presses "Valider".
    void Validate(const QString& path)
    {
        ChooseSource(path);
        ASSERT_TRUE(window.Valider_Btn->isEnabled());
        QTest::mouseClick(window.Valider_Btn, Qt::LeftButton);
    }

    // Runs a handler as a control would, errors going to the box.
    template <class F>
    void Run(F handler)
    {
        Guard(handler);
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

const QString kEnCours = QStringLiteral(" Découpage en cours... Patientez...");
const QString kTermine = QStringLiteral(" Découpage Terminé...              ");

TEST_F(TScindraTest, StartsWithOnlyTheFileFieldsTakingInput)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Scindra 1.00"));
    EXPECT_EQ(window.Client->size(), QSize(618, 321));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.PageControl1->currentWidget(), window.TabSheet1);
    EXPECT_EQ(window.PageControl1->tabText(0), QStringLiteral("Découpage"));
    EXPECT_EQ(window.PageControl1->tabText(1), QStringLiteral("Reconstruire"));

    for (QWidget* idle : std::initializer_list<QWidget*>{window.Valider_Btn, window.Decouper_Btn,
                                                        window.Nom_Edit, window.Nombre_Edit,
                                                        window.Reconstruire_Btn})
        EXPECT_FALSE(idle->isEnabled()) << idle->objectName().toStdString();
    for (QWidget* open : std::initializer_list<QWidget*>{
             window.SourcePath_Edit, window.SourcePath1_Edit, window.TailleActuel_Edit,
             window.TailleNouvelle_Edit, window.Destination001_Edit, window.Destination_Edit})
        EXPECT_TRUE(open->isEnabled());

    EXPECT_FALSE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.ProgressBar->geometry(), QRect(184, 306, 432, 14));
    EXPECT_EQ(window.StatusText(), QString());
    EXPECT_EQ(window.SourcePath_Edit->Text(), QString());
    EXPECT_EQ(window.SourcePath1_Edit->Text(), QString());
    EXPECT_EQ(window.Destination_Edit->Text(), QString());
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("Nouveau"));
    EXPECT_EQ(window.Nombre_Edit->currentText(), QStringLiteral("2"));
    EXPECT_EQ(window.Nombre_Edit->count(), 10);
    EXPECT_EQ(window.TailleActuel_Edit->text(), QStringLiteral("0"));
    EXPECT_EQ(window.TailleNouvelle_Edit->text(), QStringLiteral("0"));
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination :"));
    EXPECT_EQ(window.TailleFichier, 0);
    EXPECT_TRUE(window.ExtensionOrigine.isEmpty());
}

TEST_F(TScindraTest, TabGoesThroughEachPageInFillingOrder)
{
    const std::vector<QWidget*> expected = {
        window.SourcePath_Edit,   window.Valider_Btn,         window.SourcePath1_Edit,
        window.Decouper_Btn,      window.Nom_Edit,            window.Nom_ListView,
        window.TailleActuel_Edit, window.TailleNouvelle_Edit, window.Nombre_Edit,
        window.Destination001_Edit, window.Reconstruire_Btn,  window.Destination_Edit,
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

TEST_F(TScindraTest, HintsAreTooltips)
{
    const std::pair<QWidget*, const char*> hints[] = {
        {window.SourcePath_Edit, "Choisissez un fichier à découper..."},
        {window.SourcePath1_Edit, "Choisissez le dossier de destination..."},
        {window.Nombre_Edit, "Nombre de fichiers qui seront crées..."},
        {window.Decouper_Btn, "Découpe le fichier en plusieurs morceaux..."},
        {window.Nom_Edit, "Entrez un nouveau nom..."},
        {window.Nom_ListView, "Visualisation des morceaux de fichiers qui seront crée..."},
        {window.Destination001_Edit, "Fichier avec extension \"001\"..."},
        {window.Destination_Edit, "Ajoutez  l'extension de l'original..."},
        {window.Valider_Btn, ""},
        {window.Reconstruire_Btn, ""},
    };
    for (const auto& [widget, hint] : hints)
        EXPECT_EQ(widget->toolTip(), QString::fromUtf8(hint));
}

TEST_F(TScindraTest, ChoosingASourceProposesItsFolder)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 10);
    ChooseSource(source);

    const QString folderText = folder.path() + QLatin1Char('/');
    EXPECT_EQ(window.SourcePath_Edit->FileName(), source);
    EXPECT_EQ(window.SourcePath1_Edit->Text(), folderText);
    EXPECT_EQ(window.Destination_Edit->FileName(), folderText);
    EXPECT_TRUE(window.Valider_Btn->isEnabled());
    EXPECT_THAT(errors, IsEmpty());

    // After a validation, another file of the same folder leaves the folder
    // field as it was, so "Valider" stays disabled.
    QTest::mouseClick(window.Valider_Btn, Qt::LeftButton);
    ASSERT_FALSE(window.Valider_Btn->isEnabled());
    ChooseSource(MakeFile(QStringLiteral("other.avi"), 10));
    EXPECT_FALSE(window.Valider_Btn->isEnabled());
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
}

TEST_F(TScindraTest, ValiderFillsTheFiguresTheListAndTheRebuildingPage)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 10'000'000);
    Validate(source);

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

    // Choosing 4 from the list: 10 / 4 = 2.5 rounds to the even 2.
    window.Nombre_Edit->setCurrentIndex(window.Nombre_Edit->findText(QStringLiteral("4")));
    EXPECT_EQ(Rows(1), QStringList({"2 Mo", "2 Mo", "2 Mo", "2 Mo"}));
    EXPECT_EQ(window.TailleNouvelle_Edit->Value(), 2);

    // Every validation appends the extension again.
    Run([this] { window.Valider_BtnClick(); });
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination : .avi: .avi:"));
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TScindraTest, ValiderOnAMissingSourceKeepsTheFieldsAndReportsIt)
{
    const QString missing = Path(QStringLiteral("absent.avi"));
    window.SourcePath_Edit->SetText(missing);
    QTest::mouseClick(window.Valider_Btn, Qt::LeftButton);

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
    Validate(MakeFile(QStringLiteral("clip.avi"), 3'000'000));
    struct Case {
        char16_t character;
        bool taken;
    };
    const Case cases[] = {
        {u' ', false}, {u'!', false}, {u'"', false}, {u'+', false}, {u'-', false},
        {u'/', false}, {u':', false}, {u'=', false}, {u'?', false}, {u'A', false},
        {u'z', false}, {u'~', false}, {u'\u20AC', false}, {u'\u00A3', false}, {u'\u00B5', false},
        {u'\u00E9', false}, {u'\u00F9', false}, {u'\u00B2', false},
        {u'7', true}, {u',', true}, {u'.', true}, {u'>', true}, {u'\u00FC', true}, {u'\u00BD', true},
        {u'<', false}, {u'\u00E2', true},
    };
    for (const Case& c : cases) {
        NumberEdit()->setText(QStringLiteral("2"));
        errors.clear();
        NumberEdit()->end(false);
        QTest::sendKeyEvent(QTest::Click, NumberEdit(), Qt::Key_unknown, QString(QChar(c.character)),
                            Qt::NoModifier);
        const QString expected = c.taken ? QStringLiteral("2") + QChar(c.character) : QStringLiteral("2");
        EXPECT_EQ(NumberEdit()->text(), expected) << "U+" << std::hex << int(c.character);
    }
}

TEST_F(TScindraTest, NumberFieldReportsWhatItCannotRead)
{
    Validate(MakeFile(QStringLiteral("clip.avi"), 3'000'000));

    // A comma is taken, then the list refresh cannot read "2,".
    NumberEdit()->end(false);
    QTest::keyClick(NumberEdit(), ',');
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("'2,' n'est pas une valeur entière correcte.")));
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);

    errors.clear();
    NumberEdit()->setText(QStringLiteral("2"));
    errors.clear();
    NumberEdit()->end(false);
    QTest::keyClick(NumberEdit(), Qt::Key_Backspace);
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("'' n'est pas une valeur entière correcte.")));
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);

    // 0 pieces: "Actuel" reads 3, so the division has a non-zero dividend.
    errors.clear();
    QTest::keyClick(NumberEdit(), '0');
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("Division par zéro en virgule flottante.")));
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
}

TEST_F(TScindraTest, PastedTextIsNotFilteredButANegativeCountCutsNothing)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 3'000'000);
    Validate(source);
    QGuiApplication::clipboard()->setText(QStringLiteral("-4"));
    NumberEdit()->selectAll();
    QTest::keyClick(NumberEdit(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(NumberEdit()->text(), QStringLiteral("-4"));
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
    EXPECT_THAT(errors, IsEmpty());

    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);
    // The message ends with ")", so the box adds no period.
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("Le nombre de morceaux ne peut pas être négatif (-4)")));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.001"))));
    EXPECT_EQ(Contents(source).size(), 3'000'000);
}

TEST_F(TScindraTest, ValidatingAgainWithAnEmptyNumberReportsTwice)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 3'000'000);
    Validate(source);
    window.Nom_Edit->setText(QStringLiteral("autre"));
    NumberEdit()->clear();
    errors.clear();

    Run([this] { window.Valider_BtnClick(); });

    const QString notANumber = QStringLiteral("'' n'est pas une valeur entière correcte.");
    EXPECT_THAT(errors, ElementsAre(notANumber, notANumber));
    EXPECT_TRUE(window.Valider_Btn->isEnabled());
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("clip"));
    EXPECT_EQ(window.TailleActuel_Edit->Value(), 3);
    EXPECT_EQ(window.FichierEXT_Label->text(), QStringLiteral("Destination : .avi:"));
}

TEST_F(TScindraTest, MegabyteFieldsTakeInput)
{
    Validate(MakeFile(QStringLiteral("clip.avi"), 3'000'000));
    window.TailleActuel_Edit->setText(QStringLiteral("20"));
    window.Nombre_Edit->setCurrentIndex(window.Nombre_Edit->findText(QStringLiteral("4")));

    EXPECT_EQ(window.TailleNouvelle_Edit->Value(), 5);
    EXPECT_EQ(Rows(1), QStringList({"1 Mo", "1 Mo", "1 Mo", "1 Mo"}));  // 3 / 4 = 0.75
}

TEST_F(TScindraTest, ClickInTheNameFieldResetsIt)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 3'000'000);
    Validate(source);

    QTest::mouseClick(window.Nom_Edit, Qt::LeftButton);
    EXPECT_EQ(window.Nom_Edit->text(), QStringLiteral("Nouveau"));
    EXPECT_EQ(Rows(0), QStringList({"Nouveau.001", "Nouveau.002"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("Nouveau.avi")));

    QTest::mouseClick(window.Nom_Edit, Qt::LeftButton);
    EXPECT_EQ(window.Nom_ListView->rowCount(), 0);
    EXPECT_EQ(window.Destination_Edit->Text(), QString());
    EXPECT_THAT(errors, IsEmpty());
}

TEST_F(TScindraTest, CutWritesThePiecesAndShowsTheEnd)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 1'000'003);
    Validate(source);
    window.Nombre_Edit->setCurrentIndex(window.Nombre_Edit->findText(QStringLiteral("4")));
    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);

    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(window.FichierSource, source);
    EXPECT_EQ(window.StatusText(), kTermine);
    EXPECT_TRUE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.ProgressBar->value(), 100);
    // 1,000,003 / 4 = 250,000.75, so four pieces of 250,001 bytes and the rest.
    QByteArray joined;
    for (const char* piece : {"clip.001", "clip.002", "clip.003", "clip.004"}) {
        const QByteArray bytes = Contents(Path(QString::fromLatin1(piece)));
        EXPECT_LE(bytes.size(), 250'001) << piece;
        joined += bytes;
    }
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.005"))));
    EXPECT_EQ(joined, Contents(source));
    EXPECT_TRUE(window.Decouper_Btn->isEnabled());
}

// Records what the status line said each time a widget was painted.
class PaintRecorder : public QObject {
public:
    PaintRecorder(const TScindra& window, QWidget* watched) : window_(window)
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted.push_back({window_.StatusText(), window_.ProgressBar->value()});
        return false;
    }
    std::vector<std::pair<QString, int>> painted;

private:
    const TScindra& window_;
};

TEST_F(TScindraTest, StatusAndProgressArePaintedWhileTheCopyRuns)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Validate(MakeFile(QStringLiteral("clip.avi"), 1000));
    PaintRecorder status(window, window.StatusBar1);
    PaintRecorder progress(window, window.ProgressBar);
    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);  // no event is handled meanwhile

    ASSERT_EQ(window.StatusText(), kTermine);
    const std::pair<QString, int> running{kEnCours, 0};
    EXPECT_NE(std::find(status.painted.begin(), status.painted.end(), running), status.painted.end());
    const std::pair<QString, int> full{kEnCours, 100};
    EXPECT_NE(std::find(progress.painted.begin(), progress.painted.end(), full), progress.painted.end());
}

TEST_F(TScindraTest, TinySourcesCannotBeCut)
{
    struct Case {
        qint64 size;
        const char* message;
    };
    for (const Case& c : {Case{1, "Division par zéro en virgule flottante."},
                          Case{0, "Opération en virgule flottante incorrecte."}}) {
        // A folder of its own, so that choosing the source enables "Valider" again.
        const QString sub = QStringLiteral("size%1").arg(c.size);
        ASSERT_TRUE(QDir(folder.path()).mkdir(sub));
        const QString source = MakeFile(sub + QStringLiteral("/tiny.bin"), c.size);
        Validate(source);
        errors.clear();
        QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);

        EXPECT_THAT(errors, ElementsAre(QString::fromUtf8(c.message)));
        EXPECT_EQ(window.StatusText(), kEnCours);
        EXPECT_TRUE(window.ProgressBar->isVisible());
        EXPECT_FALSE(QFile::exists(Path(sub + QStringLiteral("/tiny.001"))));
    }
}

TEST_F(TScindraTest, ADottedNameShowsLongRowsButWritesShortPieces)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 1000);
    Validate(source);
    window.Nom_Edit->setText(QStringLiteral("clip.part"));
    EXPECT_EQ(Rows(0), QStringList({"clip.part.001", "clip.part.002"}));
    EXPECT_EQ(window.Destination_Edit->FileName(), Path(QStringLiteral("clip.part.avi")));

    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(Contents(Path(QStringLiteral("clip.001"))).size(), 500);
    EXPECT_EQ(Contents(Path(QStringLiteral("clip.002"))).size(), 500);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("clip.part.001"))));
}

TEST_F(TScindraTest, PageSwitchesHideTheProgressBar)
{
    Validate(MakeFile(QStringLiteral("clip.avi"), 1000));
    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);
    ASSERT_TRUE(window.ProgressBar->isVisible());

    window.PageControl1->setCurrentIndex(1);
    EXPECT_FALSE(window.ProgressBar->isVisible());
    window.PageControl1->setCurrentIndex(0);
    EXPECT_FALSE(window.ProgressBar->isVisible());
}

TEST_F(TScindraTest, RebuildAfterACut)
{
    const QString source = MakeFile(QStringLiteral("clip.avi"), 777'777);
    Validate(source);
    window.Nombre_Edit->setCurrentIndex(window.Nombre_Edit->findText(QStringLiteral("6")));
    QTest::mouseClick(window.Decouper_Btn, Qt::LeftButton);
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

    QTest::mouseClick(window.Reconstruire_Btn, Qt::LeftButton);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(Contents(rebuilt), Contents(source));
    EXPECT_EQ(window.StatusText(), QStringLiteral(" Reconstruction Terminé..."));
    EXPECT_TRUE(window.Reconstruire_Btn->isEnabled());
    EXPECT_FALSE(window.ProgressBar->isVisible());
}

TEST_F(TScindraTest, RebuildIntoAnEmptyNameFails)
{
    MakeFile(QStringLiteral("Nouveau.001"), 10);
    window.Destination001_Edit->SetFileName(Path(QStringLiteral("Nouveau.001")));
    window.Destination_Edit->SetText(QString());
    PressButton(window.Destination_Edit);
    window.Destination_Edit->SetText(QString());
    ASSERT_TRUE(window.Reconstruire_Btn->isEnabled());

    QTest::mouseClick(window.Reconstruire_Btn, Qt::LeftButton);
    // The message ends in a blank, so the box adds no period.
    EXPECT_THAT(errors, ElementsAre(QStringLiteral("Impossible de créer le fichier ")));
    EXPECT_FALSE(window.Reconstruire_Btn->isEnabled());
    EXPECT_EQ(window.StatusText(), QStringLiteral(" Reconstruction en cours... Patientez..."));
}

TEST_F(TScindraTest, RebuildFromAMissingFirstPieceMakesAnEmptyFile)
{
    const QString rebuilt = Path(QStringLiteral("vide.bin"));
    window.Destination001_Edit->SetFileName(Path(QStringLiteral("absent.001")));
    PressButton(window.Destination_Edit);
    window.Destination_Edit->SetFileName(rebuilt);
    QTest::mouseClick(window.Reconstruire_Btn, Qt::LeftButton);

    EXPECT_THAT(errors, IsEmpty());
    EXPECT_TRUE(QFile::exists(rebuilt));
    EXPECT_EQ(Contents(rebuilt).size(), 0);
    EXPECT_EQ(window.StatusText(), QStringLiteral(" Reconstruction Terminé..."));
}

TEST_F(TScindraTest, QuitterClosesTheWindow)
{
    ASSERT_TRUE(window.isVisible());
    window.Quitter_Menu->trigger();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace scindra
