#include "ui/about/TAPropos_Frm.h"

#include "animation/GIFAnimator.h"
#include "assets/scindra_icon.xpm"
#include "platform/MemoryStatus.h"
#include "platform/UrlOpener.h"
#include "rtl/Exception.h"
#include "rtl/Guard.h"
#include "rtl/TMemoryStream.h"
#include "ui/about/AccessibleRole.h"
#include "ui/about/MemoryText.h"
#include "ui/about/TBevelPanel.h"
#include "ui/about/TLinkLabel.h"

#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace scindra {

TAPropos_Frm* APropos_Frm = nullptr;

namespace {

const QColor kGray(128, 128, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);
const QColor kLogoBackground(146, 201, 201);

// One line of the window's font.
constexpr int kLabelHeight = 13;

enum FontStyle { fsRegular = 0, fsBold = 1, fsUnderline = 2 };

// The face the window was drawn for; where it is missing, the condensed cut
// of the usual sans-serif face keeps the texts within the room they were
// given, and failing both the system's sans-serif face, same pixel height.
QFont WindowFont(int style = fsRegular)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(style & fsBold);
    font.setUnderline(style & fsUnderline);
    return font;
}

void SetTextColor(QWidget* widget, const QColor& color)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, color);
    widget->setPalette(colours);
}

// A label sized to its one line of text, keeping its left edge.
void FitToText(QLabel* label)
{
    label->adjustSize();
    label->resize(label->width(), kLabelHeight);
}

// A label in the window's font with the given style, sized to its text: the
// widths the layout was drawn with are those of its texts in its own face,
// and a text in another face must not lose its last character. Labels paint
// their parent's colour under the text unless they are links.
template <class Label = QLabel>
Label* MakeLabel(QWidget* parent, QPoint place, const QString& text, int style)
{
    auto* label = new Label(text, parent);
    label->setFont(WindowFont(style));
    label->setAutoFillBackground(true);
    label->move(place);
    FitToText(label);
    return label;
}

// Exactly bold, or exactly regular; setting the style it already has
// changes nothing.
void SetLinkBold(QLabel* link, bool bold)
{
    const QFont& font = link->font();
    if (font.bold() == bold && !font.italic() && !font.underline() && !font.strikeOut())
        return;
    link->setFont(WindowFont(bold ? fsBold : fsRegular));
    FitToText(link);
}

} // namespace

TAPropos_Frm::TAPropos_Frm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("APropos_Frm"));
    setWindowTitle(QStringLiteral("A propos..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(WindowFont());
    setWindowIcon(QIcon(QPixmap(scindra_icon_xpm)));

    // Created in the order in which they stack, the later on top.
    CreatePanel1();
    CreateTexts();
    CreateLinks();
    CreateVersion();
    CreateMailCaption();
    CreateLogoPanel();
    CreateMemoryBox();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(163, 215, 75, 25);
    OKButton->setDefault(true);

    ConnectHandlers();
    FormCreate();
}

TAPropos_Frm::~TAPropos_Frm()
{
    if (APropos_Frm == this)
        APropos_Frm = nullptr;
}

QString TAPropos_Frm::LogoResource()
{
    return QStringLiteral(":/scindra/about/logo.data");
}

QString TAPropos_Frm::CopyrightNotice()
{
    return QStringLiteral("Copyright © 2026 Scindra");
}

QString TAPropos_Frm::WebAddress()
{
    return QStringLiteral("https://scindra.org");
}

QString TAPropos_Frm::MailAddress()
{
    return QStringLiteral("contact@scindra.org");
}

void TAPropos_Frm::CreatePanel1()
{
    Panel1 = new TBevelPanel(TPanelBevel::Lowered, TPanelBevel::Raised, this);
    Panel1->setGeometry(8, 8, 384, 192);
    // Moves over the panel's own surface turn the links back to regular.
    Panel1->setMouseTracking(true);
    Panel1->setAccessibleName(QStringLiteral("A propos de Scindra"));
}

void TAPropos_Frm::CreateTexts()
{
    ProductName = MakeLabel(Panel1, {127, 12}, QStringLiteral("Scindra"), fsBold);
    SetTextColor(ProductName, kGray);
    Copyright = MakeLabel(Panel1, {14, 101}, CopyrightNotice(), fsBold | fsUnderline);

    Label3 = MakeLabel(Panel1, {205, 109},
                       QStringLiteral("Logiciel Pour Découper des fichiers en plusieurs morceaux"), fsBold);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->resize(162, 39);
}

void TAPropos_Frm::CreateVersion()
{
    Label6 = MakeLabel(Panel1, {209, 12}, QStringLiteral("Ver 1.00"), fsBold);
    SetTextColor(Label6, kGray);

    // The registered sign sits in the gap between name and version, four
    // pixels above their line.
    Label7 = MakeLabel(Panel1, {194, 8}, QStringLiteral("®"), fsRegular);
    Label7->setAccessibleName(QStringLiteral("marque déposée"));
    SetTextColor(Label7, kGray);
}

void TAPropos_Frm::CreateLinks()
{
    www = MakeLabel<TLinkLabel>(Panel1, {10, 136}, WebAddress(), fsRegular);
    www->setAutoFillBackground(false);
    SetTextColor(www, kBlue);
    www->setAccessibleName(WebAddress());
    www->setAccessibleDescription(QStringLiteral("Ouvre le site web de Scindra"));

    Mail = MakeLabel<TLinkLabel>(Panel1, {58, 164}, MailAddress(), fsRegular);
    SetTextColor(Mail, kTeal);
    Mail->setAccessibleName(MailAddress());
    Mail->setAccessibleDescription(QStringLiteral("Écrit un message à Scindra"));
}

void TAPropos_Frm::CreateMailCaption()
{
    Label4 = MakeLabel(Panel1, {10, 164}, QStringLiteral("E-Mail :"), fsBold);
}

void TAPropos_Frm::CreateLogoPanel()
{
    Panel2 = new TBevelPanel(TPanelBevel::Raised, TPanelBevel::Raised, Panel1);
    Panel2->setGeometry(5, 5, 82, 81);
    Panel2->SetColor(kLogoBackground);
    Panel2->setAccessibleName(QStringLiteral("Logo"));
    Gif_Anime = CreateLogo(Panel2);
    SetAccessibleRole(Gif_Anime, QAccessible::Animation);
    Gif_Anime->setAccessibleName(QStringLiteral("Logo de Scindra"));

    Panel3 = new TBevelPanel(TPanelBevel::Lowered, TPanelBevel::None, Panel1);
    Panel3->setGeometry(193, 35, 2, 147);
    SetAccessibleRole(Panel3, QAccessible::Separator);
}

// The logo fills the panel inside its two bevels and plays for ever, its
// frames centred and its transparent pixels showing the panel's colour. The
// fill decides the size, so the control does not size itself to the image.
TGIFAnimator* TAPropos_Frm::CreateLogo(QWidget* parent)
{
    auto* logo = new TGIFAnimator(parent);
    QFile stored(LogoResource());
    if (!stored.open(QIODevice::ReadOnly))
        throw EFOpenError(LogoResource().toStdString());
    const QByteArray bytes = stored.readAll();
    TMemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    logo->Image().ReadStoredData(stream);
    logo->SetAutoSize(false);
    logo->SetCenter(true);
    logo->setGeometry(parent->contentsRect());
    logo->SetAnimate(true);
    return logo;
}

void TAPropos_Frm::CreateMemoryBox()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Mémoire : "), Panel1);
    GroupBox1->setGeometry(219, 38, 113, 57);
    Label2 = MakeLabel(GroupBox1, {4, 18}, QStringLiteral("Total:"), fsRegular);
    Label1 = MakeLabel(GroupBox1, {4, 36}, QStringLiteral("Utilisée:"), fsRegular);
    M1 = MakeLabel(GroupBox1, {50, 20}, QStringLiteral("M1"), fsRegular);
    M2 = MakeLabel(GroupBox1, {50, 36}, QStringLiteral("M2"), fsRegular);
    // The box has a fill of its own, a shade off the window's: a label
    // filling itself with the window's colour would stand out as a patch.
    for (QLabel* label : {Label2, Label1, M1, M2})
        label->setAutoFillBackground(false);
    // A screen reader reads the figure itself, then what it measures.
    M1->setAccessibleDescription(QStringLiteral("Mémoire totale"));
    M2->setAccessibleDescription(QStringLiteral("Mémoire utilisée"));
}

void TAPropos_Frm::ConnectHandlers()
{
    connect(OKButton, &QPushButton::clicked, this, Guarded([this] { OKButtonClick(); }));
    // The modal result: OK (1) ends the modal show.
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(www, &TLinkLabel::Pressed, this, Guarded([this] { wwwMouseDown(); }));
    connect(Mail, &TLinkLabel::Pressed, this, Guarded([this] { MailMouseDown(); }));
    // Mouse moves have no signals; the window watches them.
    for (QWidget* watched : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(www),
                             static_cast<QWidget*>(Mail)})
        watched->installEventFilter(this);
}

void TAPropos_Frm::FormCreate()
{
    const MemoryStatus status = GlobalMemoryStatus();
    M1->setText(TotalMemoryText(status.TotalPhys, ThousandsSeparator(QLocale::system())));
    M2->setText(MemoryLoadText(status.MemoryLoad));
    FitToText(M1);
    FitToText(M2);
    FitMemoryBox();
}

// A total of several gigabytes is wider than the box was drawn for; the box
// then grows to the right, into the free part of the panel, so that no digit
// is cut off.
void TAPropos_Frm::FitMemoryBox()
{
    const int needed = std::max(M1->geometry().right(), M2->geometry().right()) + 1 + 4;
    const int room = Panel1->contentsRect().right() + 1 - GroupBox1->x();
    if (needed > GroupBox1->width())
        GroupBox1->resize(std::min(needed, room), GroupBox1->height());
}

int TAPropos_Frm::ShowModal()
{
    return exec();
}

void TAPropos_Frm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen();
    // The first time the window is mapped, the window manager adds its frame
    // only afterwards: the window is centred once more at its first exposure,
    // when the frame is known. The toolkit reports exposures to the native
    // window only.
    awaitingFrame_ = FrameUnknown();
    if (QWindow* native = windowHandle())
        native->installEventFilter(this);
    OKButton->setFocus();
}

void TAPropos_Frm::CentreOnceFrameKnown()
{
    if (awaitingFrame_ && !FrameUnknown()) {
        awaitingFrame_ = false;
        CentreOnScreen();
    }
}

bool TAPropos_Frm::FrameUnknown() const
{
    return frameGeometry() == geometry();
}

void TAPropos_Frm::CentreOnScreen()
{
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

// Only the OK button and the close box close the window: Escape does not.
void TAPropos_Frm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TAPropos_Frm::OnPanel1Surface(const QEvent* event) const
{
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    return Panel1->childAt(mouse->position().toPoint()) == nullptr;
}

bool TAPropos_Frm::eventFilter(QObject* watched, QEvent* event)
{
    Guard([&] {
        if (watched == windowHandle() && event->type() == QEvent::Expose)
            CentreOnceFrameKnown();
        if (event->type() != QEvent::MouseMove)
            return;
        if (watched == www)
            wwwMouseMove();
        else if (watched == Mail)
            MailMouseMove();
        // A move a label passes on reaches the panel too; only one over
        // the panel's bare surface counts.
        else if (watched == Panel1 && OnPanel1Surface(event))
            Panel1MouseMove();
    });
    return QDialog::eventFilter(watched, event);
}

void TAPropos_Frm::Panel1MouseMove()
{
    SetLinkBold(www, false);
    SetLinkBold(Mail, false);
}

void TAPropos_Frm::wwwMouseMove()
{
    SetLinkBold(www, true);
}

void TAPropos_Frm::MailMouseMove()
{
    SetLinkBold(Mail, true);
}

void TAPropos_Frm::wwwMouseDown()
{
    OpenUrl(QUrl(WebAddress()));
}

void TAPropos_Frm::MailMouseDown()
{
    OpenUrl(QUrl(QStringLiteral("mailto:") + MailAddress()));
}

void TAPropos_Frm::OKButtonClick()
{
}

} // namespace scindra
