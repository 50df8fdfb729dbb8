#include "ui/main/TScindra.h"

#include "controls/TDirectoryEdit.h"
#include "controls/TEditInteger.h"
#include "controls/TFilenameEdit.h"
#include "engine/engine.h"
#include "rtl/Guard.h"
#include "rtl/StrToInt.h"
#include "rtl/TFileStream.h"
#include "ui/about/TAPropos_Frm.h"
#include "controls/DirPictures.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <array>
#include <atomic>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

#include "assets/scindra_icon.xpm"

namespace scindra {
namespace {

const QString kCaption = QStringLiteral("Scindra 1.00");
const QString kDecoupageEnCours = QStringLiteral(" Découpage en cours... Patientez...");
const QString kDecoupageTermine = QStringLiteral(" Découpage Terminé...              ");
const QString kReconstructionEnCours = QStringLiteral(" Reconstruction en cours... Patientez...");
const QString kReconstructionTermine = QStringLiteral(" Reconstruction Terminé...");
const QString kDecoupageQuestion = QStringLiteral("Un découpage est en cours. L'interrompre ?");
const QString kReconstructionQuestion = QStringLiteral("Une reconstruction est en cours. L'interrompre ?");
const QString kNomInitial = QStringLiteral("Nouveau");
const QString kOuvrir = QStringLiteral("Ouvrir...");

// Labels take the height of one line of the window's font.
constexpr int kLabelHeight = 13;

std::string Std(const QString& text)
{
    return text.toStdString();
}

QString Qt8(const std::string& text)
{
    return QString::fromStdString(text);
}

// The megabyte fields hold 32-bit values; a figure beyond that range cannot
// be shown in four characters anyway.
int32_t ToFieldValue(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(
        value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

QFont WindowFont()
{
    // The face the layout was drawn for. Where it is missing, the condensed
    // cut of the usual sans-serif face keeps every label within the room the
    // layout gives it ("Nombre de Morceaux :" must end before the number
    // field); failing both, the system's sans-serif face, same pixel height.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QLabel* MakeLabel(QWidget* parent, int left, int top, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    label->resize(label->width(), kLabelHeight);
    return label;
}

QGroupBox* MakeGroupBox(QWidget* parent, const QRect& place, const QString& caption)
{
    auto* box = new QGroupBox(caption, parent);
    box->setGeometry(place);
    return box;
}

QPushButton* MakeButton(QWidget* parent, const QRect& place, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(place);
    button->setEnabled(false);
    return button;
}

// Button picture A of the file-name edits: compiled in with the controls'
// pictures (assets/controls.qrc); the button draws its bottom-left colour
// transparent.
QPixmap ButtonPictureA()
{
    return QPixmap(QStringLiteral(":/scindra/button_picture_a.xpm"));
}

TFilenameEdit* MakeFilenameEdit(QWidget* parent, const QRect& place, const QString& hint,
                                const QString& filter)
{
    auto* edit = new TFilenameEdit(parent);
    edit->setGeometry(place);
    edit->setToolTip(hint);
    edit->SetFilter(filter);
    edit->SetDialogTitle(kOuvrir);
    edit->SetGlyph(ButtonPictureA());
    edit->SetNumGlyphs(1);
    return edit;
}

TEditInteger* MakeMegabyteEdit(QWidget* parent, const QRect& place)
{
    auto* edit = new TEditInteger(parent);
    edit->setGeometry(place);
    edit->SetMaxLength(4);
    edit->SetValue(0);
    return edit;
}

// Characters the number field drops, as their Windows-1252 codes were chosen:
// everything printable but the digits, ',', '.', '>' and DEL, plus a few
// currency, accent and symbol characters of the upper half.
bool RefusedAscii(char16_t code)
{
    return (code >= 32 && code <= 43) || code == 45 || code == 47 || (code >= 58 && code <= 61)
        || (code >= 63 && code <= 126);
}

constexpr std::array<char16_t, 13> kRefusedUpperHalf = {
    u'\u20AC', // 128 euro sign
    u'\u00A3', // 163 pound sign
    u'\u00A4', // 164 currency sign
    u'\u00A7', // 167 section sign
    u'\u00A8', // 168 diaeresis
    u'\u00B0', // 176 degree sign
    u'\u00B2', // 178 superscript two
    u'\u00B5', // 181 micro sign
    u'\u00E0', // 224 a grave
    u'\u00E7', // 231 c cedilla
    u'\u00E8', // 232 e grave
    u'\u00E9', // 233 e acute
    u'\u00F9', // 249 u grave
};

// The character a key event types. Control with a letter types that letter's
// control code (Ctrl+V is 22), whatever text the platform attached to the
// event, so the clipboard shortcuts always count as control characters.
QChar TypedCharacter(const QKeyEvent& event, QChar character)
{
    const char16_t code = character.unicode();
    const bool asciiLetter = (code >= u'a' && code <= u'z') || (code >= u'A' && code <= u'Z');
    if ((event.modifiers() & Qt::ControlModifier) && asciiLetter)
        return QChar(static_cast<char16_t>(code & 0x1F));
    return character;
}

} // namespace

TScindra::TScindra(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Scindra"));
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QPixmap(scindra_icon_xpm)));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowFont());

    CreateMenu();
    CreateClient();
    CreateCuttingPage();
    CreateRebuildingPage();
    SetTabOrder();
    ConnectHandlers();
    SetUpAccessibility();

    // The window is exactly the menu plus the client area and cannot be resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TScindra::~TScindra() = default;

void TScindra::CreateMenu()
{
    Fichier1 = menuBar()->addMenu(QStringLiteral("&Fichier"));
    Quitter_Menu = Fichier1->addAction(QStringLiteral("Quitter"));
    Aide1 = menuBar()->addMenu(QStringLiteral("&Aide"));
    APropos_Menu = Aide1->addAction(QStringLiteral("A Propos..."));
    for (QMenu* menu : {Fichier1, Aide1})
        menu->setFont(WindowFont());
}

void TScindra::CreateClient()
{
    Client = new QWidget(this);
    Client->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(Client);

    PageControl1 = new QTabWidget(Client);
    PageControl1->setGeometry(0, 0, 618, 302);

    StatusBar1 = new QStatusBar(Client);
    StatusBar1->setGeometry(0, 302, 618, 19);
    StatusBar1->setSizeGripEnabled(false);

    // Created after the status bar, so it lies over the bar's right part.
    ProgressBar = new QProgressBar(Client);
    ProgressBar->setGeometry(184, 306, 432, 14);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();

    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Découpage"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Reconstruire"));
    PageControl1->setCurrentWidget(TabSheet1);
}

void TScindra::CreateCuttingPage()
{
    GroupBox1 = MakeGroupBox(TabSheet1, QRect(1, 8, 352, 265), QStringLiteral("Fichier de Découpage : "));
    Label8 = MakeLabel(GroupBox1, 7, 70, QStringLiteral("Source :"));
    SourcePath_Edit = MakeFilenameEdit(
        GroupBox1, QRect(55, 67, 291, 21), QStringLiteral("Choisissez un fichier à découper..."),
        QStringLiteral("Tous(*.*)|*.*|Fichiers (*.Avi)|*.Avi|Fichiers (*.Mpg)|*.Mpg"));
    Label9 = MakeLabel(GroupBox1, 7, 139, QStringLiteral("Destination :"));
    SourcePath1_Edit = new TDirectoryEdit(GroupBox1);
    SourcePath1_Edit->setGeometry(75, 136, 271, 21);
    SourcePath1_Edit->setToolTip(QStringLiteral("Choisissez le dossier de destination..."));
    SourcePath1_Edit->SetGlyph(DirectoryButtonGlyph());
    SourcePath1_Edit->SetNumGlyphs(2);
    Valider_Btn = MakeButton(GroupBox1, QRect(104, 194, 145, 25), QStringLiteral("Valider"));

    GroupBox3 = MakeGroupBox(TabSheet1, QRect(357, 8, 253, 266), QStringLiteral("Résultats : "));
    Label2 = MakeLabel(GroupBox3, 8, 22, QStringLiteral("Nombre de Morceaux :"));
    Nombre_Edit = new QComboBox(GroupBox3);
    Nombre_Edit->setEditable(true);
    Nombre_Edit->setInsertPolicy(QComboBox::NoInsert);
    // The number typed is the number meant: "1" must not grow into the "10"
    // of the list behind the caret.
    Nombre_Edit->setCompleter(nullptr);
    Nombre_Edit->setGeometry(120, 19, 43, 21);
    Nombre_Edit->setToolTip(QStringLiteral("Nombre de fichiers qui seront crées..."));
    for (int count = 2; count <= 20; count += 2) {
        Nombre_Edit->addItem(QString::number(count));
        Nombre_Edit->setItemData(Nombre_Edit->count() - 1, QSize(43, 13), Qt::SizeHintRole);
    }
    Nombre_Edit->lineEdit()->setMaxLength(3);
    Nombre_Edit->setEditText(QStringLiteral("2"));
    Nombre_Edit->setEnabled(false);
    Decouper_Btn = MakeButton(GroupBox3, QRect(167, 17, 76, 25), QStringLiteral("Découper"));
    Decouper_Btn->setToolTip(QStringLiteral("Découpe le fichier en plusieurs morceaux..."));
    Label1 = MakeLabel(GroupBox3, 8, 49, QStringLiteral("Nom :"));
    Nom_Edit = new QLineEdit(kNomInitial, GroupBox3);
    Nom_Edit->setGeometry(42, 45, 201, 21);
    Nom_Edit->setToolTip(QStringLiteral("Entrez un nouveau nom..."));
    Nom_Edit->setEnabled(false);

    GroupBox4 = MakeGroupBox(GroupBox3, QRect(7, 68, 238, 46), QStringLiteral("Taille : "));
    Label5 = MakeLabel(GroupBox4, 9, 19, QStringLiteral("Actuel :"));
    TailleActuel_Edit = MakeMegabyteEdit(GroupBox4, QRect(47, 15, 31, 21));
    Label6 = MakeLabel(GroupBox4, 81, 19, QStringLiteral("Mo"));
    Label3 = MakeLabel(GroupBox4, 120, 19, QStringLiteral("Nouvelle :"));
    TailleNouvelle_Edit = MakeMegabyteEdit(GroupBox4, QRect(170, 15, 31, 21));
    Label4 = MakeLabel(GroupBox4, 204, 18, QStringLiteral("Mo"));

    Nom_ListView = new QTableWidget(0, 2, GroupBox3);
    Nom_ListView->setGeometry(7, 119, 237, 142);
    Nom_ListView->setToolTip(
        QStringLiteral("Visualisation des morceaux de fichiers qui seront crée..."));
    Nom_ListView->setHorizontalHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Taille")});
    Nom_ListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Nom_ListView->horizontalHeader()->setStretchLastSection(false);
    Nom_ListView->horizontalHeader()->setHighlightSections(false);
    Nom_ListView->setColumnWidth(0, 140);
    Nom_ListView->setColumnWidth(1, 60);
    Nom_ListView->verticalHeader()->hide();
    Nom_ListView->verticalHeader()->setDefaultSectionSize(17);
    Nom_ListView->setShowGrid(true);
    Nom_ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    Nom_ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    Nom_ListView->setWordWrap(false);
    // A row's caption may be renamed in place; nothing reads it back.
    Nom_ListView->setEditTriggers(QAbstractItemView::SelectedClicked
                                  | QAbstractItemView::EditKeyPressed);
}

void TScindra::CreateRebuildingPage()
{
    GroupBox2 = MakeGroupBox(TabSheet2, QRect(9, 12, 592, 253),
                             QStringLiteral("Fichier de Reconstruction : "));
    Label7 = MakeLabel(GroupBox2, 6, 62, QStringLiteral("Source :  .001:"));
    Destination001_Edit = MakeFilenameEdit(
        GroupBox2, QRect(80, 58, 504, 21), QStringLiteral("Fichier avec extension \"001\"..."),
        QStringLiteral("Fichier (*.001)|*.001"));
    // Made before the destination field: the label grows with every
    // validation and then runs under the field rather than over it.
    FichierEXT_Label = MakeLabel(GroupBox2, 6, 134, QStringLiteral("Destination :"));
    Destination_Edit = MakeFilenameEdit(
        GroupBox2, QRect(96, 130, 488, 21), QStringLiteral("Ajoutez  l'extension de l'original..."),
        QStringLiteral("Tous(*.*)|*.*|Fichier (*.Avi)|*.Avi|Fichier (*.Mpg)|*.Mpg|Fichier (*.exe)|*.exe|"
                       "Fichier (*.gif)|*.gif|Fichier (*.mp3)|*.mp3|Fichier (*.jpg)|*.jpg|Fichier (*.bmp)|*.bmp"));
    Destination_Edit->SetFilterIndex(0);
    Destination_Edit->SetDefaultExt(QStringLiteral("*.*"));
    Reconstruire_Btn = MakeButton(GroupBox2, QRect(198, 191, 211, 25), QStringLiteral("Reconstruire"));
}

void TScindra::SetTabOrder()
{
    // Page by page, group by group, in the order the user fills them in.
    QWidget* const chain[] = {
        PageControl1,     SourcePath_Edit,     Valider_Btn,  SourcePath1_Edit,
        Decouper_Btn,     Nom_Edit,            Nom_ListView, TailleActuel_Edit,
        TailleNouvelle_Edit, Nombre_Edit,      Destination001_Edit, Reconstruire_Btn,
        Destination_Edit,
    };
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// What a screen reader says for each control. Every input is announced by
// the label in front of it and explained by its hint. The labels carry no
// mnemonic, so being a buddy changes neither the focus nor any key.
void TScindra::SetUpAccessibility()
{
    const std::pair<QLabel*, QWidget*> labelled[] = {
        {Label8, SourcePath_Edit},      {Label9, SourcePath1_Edit},
        {Label2, Nombre_Edit},          {Label1, Nom_Edit},
        {Label5, TailleActuel_Edit},    {Label3, TailleNouvelle_Edit},
        {Label7, Destination001_Edit},  {FichierEXT_Label, Destination_Edit},
    };
    for (const auto& [label, input] : labelled) {
        label->setBuddy(input);
        input->setAccessibleDescription(input->toolTip());
    }
    // The number field's own edit and drop-down list take the focus too.
    for (QWidget* part : std::initializer_list<QWidget*>{Nombre_Edit->lineEdit(), Nombre_Edit->view()}) {
        part->setAccessibleName(Label2->text());
        part->setAccessibleDescription(Nombre_Edit->toolTip());
    }
    PageControl1->setAccessibleName(QStringLiteral("Pages"));
    Nom_ListView->setAccessibleName(QStringLiteral("Morceaux"));
    Nom_ListView->setAccessibleDescription(Nom_ListView->toolTip());
    ProgressBar->setAccessibleName(QStringLiteral("Progression"));
}

void TScindra::ConnectHandlers()
{
    connect(SourcePath_Edit, &TFilenameEdit::Change, this, Guarded([this] { SourcePath_EditChange(); }));
    connect(SourcePath1_Edit, &TDirectoryEdit::Change, this, Guarded([this] { SourcePath1_EditChange(); }));
    connect(Valider_Btn, &QPushButton::clicked, this, Guarded([this] { Valider_BtnClick(); }));
    connect(Nom_Edit, &QLineEdit::textChanged, this, Guarded([this] { Nom_EditChange(); }));
    connect(Nombre_Edit, &QComboBox::editTextChanged, this, Guarded([this] { Nom_EditChange(); }));
    connect(Decouper_Btn, &QPushButton::clicked, this, Guarded([this] { Decouper_BtnClick(); }));
    connect(Destination001_Edit, &TFilenameEdit::Change, this,
            Guarded([this] { Destination001_EditChange(); }));
    connect(Destination_Edit, &TFilenameEdit::ButtonClick, this,
            Guarded([this] { Destination_EditButtonClick(); }));
    connect(Reconstruire_Btn, &QPushButton::clicked, this, Guarded([this] { Reconstruire_BtnClick(); }));
    connect(PageControl1, &QTabWidget::currentChanged, this, Guarded([this] { PageControl1Change(); }));
    connect(Quitter_Menu, &QAction::triggered, this, Guarded([this] { Quitter_MenuClick(); }));
    connect(APropos_Menu, &QAction::triggered, this, Guarded([this] { APropos_MenuClick(); }));

    // Typed characters of the number field and clicks in the name field have
    // no signal of their own. The combo box takes the keys while it has the
    // focus and hands them straight to its edit, so both are watched.
    Nombre_Edit->installEventFilter(this);
    Nombre_Edit->lineEdit()->installEventFilter(this);
    Nom_Edit->installEventFilter(this);
}

bool TScindra::eventFilter(QObject* watched, QEvent* event)
{
    bool consumed = false;
    Guard([&] {
        const bool numberField = watched == Nombre_Edit || watched == Nombre_Edit->lineEdit();
        // Whether the number field takes this typed character.
        const auto taken = [this](QChar key) {
            Guard([&] { Nombre_EditKeyPress(key); });
            return !key.isNull();
        };
        if (numberField && event->type() == QEvent::KeyPress) {
            const auto* keyEvent = static_cast<QKeyEvent*>(event);
            for (QChar character : keyEvent->text()) {
                if (!taken(TypedCharacter(*keyEvent, character)))
                    consumed = true;
            }
        } else if (numberField && event->type() == QEvent::InputMethod) {
            // Characters composed with a dead key or an input method come
            // committed rather than as key presses; they are typed all the same.
            auto* input = static_cast<QInputMethodEvent*>(event);
            QString kept;
            for (QChar character : input->commitString()) {
                if (taken(character))
                    kept += character;
            }
            if (kept != input->commitString())
                input->setCommitString(kept, input->replacementStart(), input->replacementLength());
        } else if (watched == Nom_Edit && event->type() == QEvent::MouseButtonDblClick) {
            // The release that ends a double-click is not a second click.
            nomDoubleClick_ = true;
        } else if (watched == Nom_Edit && event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool endsDoubleClick = std::exchange(nomDoubleClick_, false);
            if (!endsDoubleClick && mouse->button() == Qt::LeftButton
                && Nom_Edit->rect().contains(mouse->position().toPoint()))
                Guard([this] { Nom_EditClick(); });
        }
    });
    return consumed || QMainWindow::eventFilter(watched, event);
}

void TScindra::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

QString TScindra::StatusText() const
{
    return StatusBar1->currentMessage();
}

void TScindra::SetStatusText(const QString& text)
{
    // Painted now: a cut that fails at once leaves no time for the event
    // loop to get round to it before the error box.
    StatusBar1->showMessage(text);
    StatusBar1->repaint();
}

void TScindra::ClearPieceList()
{
    Nom_ListView->setRowCount(0);
}

int32_t TScindra::ReadNombre() const
{
    return StrToInt(Std(Nombre_Edit->currentText()));
}

bool TScindra::NombreCaractereRefuse(QChar key)
{
    const char16_t code = key.unicode();
    return RefusedAscii(code)
        || std::find(kRefusedUpperHalf.begin(), kRefusedUpperHalf.end(), code) != kRefusedUpperHalf.end();
}

// ---------------------------------------------------------------- cutting page

void TScindra::SourcePath_EditChange()
{
    ClearPieceList();
    const QString folder = Qt8(DossierDe(Std(SourcePath_Edit->FileName())));
    Destination_Edit->SetFileName(folder);
    SourcePath1_Edit->SetText(folder);
}

void TScindra::SourcePath1_EditChange()
{
    Valider_Btn->setEnabled(!SourcePath_Edit->FileName().isEmpty());
}

void TScindra::Valider_BtnClick()
{
    const QString source = SourcePath_Edit->FileName();
    const bool present = !source.isEmpty();
    Valider_Btn->setEnabled(present);
    Decouper_Btn->setEnabled(present);
    Nombre_Edit->setEnabled(present);

    TailleFichier = TFileStream(Std(source), TFileMode::OpenReadExclusive).Size();

    const QString displayed = SourcePath_Edit->Text();
    const auto extension = ExtraireExtension(Std(displayed));
    FinNom = Qt8(extension.FinNom);
    ExtensionOrigine = Qt8(extension.ExtensionOrigine);

    Nom_Edit->setText(Qt8(NomParDefaut(Std(displayed))));
    TailleActuel_Edit->SetValue(ToFieldValue(TailleMo(TailleFichier)));
    const int32_t nombre = ReadNombre();
    TailleNouvelle_Edit->SetValue(ToFieldValue(TailleMoNouvelle(TailleActuel_Edit->Value(), nombre)));

    Valider_Btn->setEnabled(false);
    Decouper_Btn->setEnabled(true);
    Nom_Edit->setEnabled(true);

    FichierEXT_Label->setText(FichierEXT_Label->text() + QLatin1Char(' ') + ExtensionOrigine + QLatin1Char(':'));
    FichierEXT_Label->adjustSize();
    FichierEXT_Label->resize(FichierEXT_Label->width(), kLabelHeight);
}

void TScindra::Nom_EditChange()
{
    ClearPieceList();
    const int32_t nombre = ReadNombre();
    if (nombre > 0) {
        const QString taille = QString::number(TailleMoMorceau(TailleFichier, nombre)) + QStringLiteral(" Mo");
        const std::string nom = Std(Nom_Edit->text());
        Nom_ListView->setRowCount(nombre);
        for (int32_t i = 1; i <= nombre; ++i) {
            auto* caption = new QTableWidgetItem(Qt8(LibelleMorceau(nom, i)));
            auto* size = new QTableWidgetItem(taille);
            size->setFlags(size->flags() & ~Qt::ItemIsEditable);
            Nom_ListView->setItem(i - 1, 0, caption);
            Nom_ListView->setItem(i - 1, 1, size);
        }
    }
    TailleNouvelle_Edit->SetValue(ToFieldValue(TailleMoNouvelle(TailleActuel_Edit->Value(), nombre)));
    Destination_Edit->SetFileName(
        Qt8(NomPropose(Std(SourcePath_Edit->FileName()), Std(Nom_Edit->text()), Std(ExtensionOrigine))));
}

void TScindra::Nom_EditClick()
{
    // Qt hands a disabled widget's mouse events to its event filters; a
    // greyed-out field takes no click.
    if (!Nom_Edit->isEnabled())
        return;
    ClearPieceList();
    Destination_Edit->SetText(QString());
    Nom_Edit->setText(kNomInitial);
}

void TScindra::Nombre_EditKeyPress(QChar& key)
{
    if (NombreCaractereRefuse(key))
        key = QChar();
}

void TScindra::Decouper_BtnClick()
{
    ProgressBar->show();
    ProgressBar->repaint();
    SetStatusText(kDecoupageEnCours);
    FichierSource = SourcePath_Edit->FileName();
    const int64_t tailleMorceau = TailleMorceau(TailleFichier, ReadNombre());
    RunWork(kDecoupageQuestion,
               [source = Std(FichierSource), tailleMorceau, dossier = Std(SourcePath1_Edit->Text()),
                nom = Std(Nom_Edit->text())](const std::atomic<bool>& stop, const auto& progress) {
                   DecouperFichier(source, tailleMorceau, dossier, nom, progress, &stop);
               });
    SetStatusText(kDecoupageTermine);
}

// ------------------------------------------------------------- rebuilding page

void TScindra::Destination001_EditChange()
{
    Destination_Edit->SetFileName(Qt8(NomReconstruitDepuisMorceau(Std(Destination001_Edit->FileName()))));
}

void TScindra::Destination_EditButtonClick()
{
    Reconstruire_Btn->setEnabled(true);
}

void TScindra::Reconstruire_BtnClick()
{
    Reconstruire_Btn->setEnabled(false);
    ProgressBar->hide();
    SetStatusText(kReconstructionEnCours);
    RunWork(kReconstructionQuestion,
               [premier = Std(Destination001_Edit->FileName()), destination = Std(Destination_Edit->FileName())](
                   const std::atomic<bool>& stop, const auto&) { ReconstruireFichier(premier, destination, &stop); });
    SetStatusText(kReconstructionTermine);
    Reconstruire_Btn->setEnabled(true);
}

void TScindra::PageControl1Change()
{
    ProgressBar->hide();
}

void TScindra::Quitter_MenuClick()
{
    close();
}

// -------------------------------------------------------- work off the thread

void TScindra::RunWork(const QString& question, const BackgroundWork::Work& work)
{
    BackgroundWork background([this](int position) { ProgressBar->setValue(position); });
    work_ = &background;
    question_ = question;
    closeAfterWork_ = false;
    // However the work ends, the window is free again, and closes when the
    // user chose to interrupt it for that.
    const auto done = qScopeGuard([this] {
        work_ = nullptr;
        if (std::exchange(closeAfterWork_, false))
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
    background.Run(work);
}

void TScindra::closeEvent(QCloseEvent* event)
{
    if (!Working()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    Guard([this] { AskToInterrupt(); });
}

void TScindra::AskToInterrupt()
{
    if (asking_)
        return;
    QMessageBox box(QMessageBox::Question, windowTitle(), question_, QMessageBox::NoButton, this);
    QPushButton* oui = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton* non = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    box.setDefaultButton(non);
    box.setEscapeButton(non);
    work_->LetInputThrough(&box);
    asking_ = true;
    box.exec();
    asking_ = false;
    // The work cannot have returned meanwhile: it returns through the event
    // loop below this question's own. Had it finished, stopping changes nothing.
    work_->LetInputThrough(nullptr);
    if (box.clickedButton() == oui) {
        closeAfterWork_ = true;
        work_->Stop();
    }
}

// The About window is shown modally; the main window takes no input until
// it closes. Its modal result is not used.
void TScindra::APropos_MenuClick()
{
    if (APropos_Frm != nullptr)
        APropos_Frm->ShowModal();
}

} // namespace scindra
