#pragma once
// The About window: product name and version, the description, the copyright
// notice, the playing logo, the machine's memory figures and the two links.
// One instance lives from start-up to the end of the program and is shown
// modally from the main window's menu; its memory figures are taken once,
// when it is created.

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;

namespace scindra {

class TBevelPanel;
class TGIFAnimator;
class TLinkLabel;

class TAPropos_Frm : public QDialog {
    Q_OBJECT

public:
    // Runs FormCreate. An error while building the window (reading the logo)
    // escapes the constructor: the window cannot be shown without it.
    explicit TAPropos_Frm(QWidget* parent = nullptr);
    ~TAPropos_Frm() override;

    static constexpr int ClientWidth = 399;
    static constexpr int ClientHeight = 253;

    // Where the logo is stored: a 4-byte little-endian length, then the GIF.
    static QString LogoResource();

    // The project's own notice and addresses.
    static QString CopyrightNotice();
    static QString WebAddress();
    static QString MailAddress();

    // Shows the window modally and returns its modal result once it closes.
    int ShowModal();

    TBevelPanel* Panel1 = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Label3 = nullptr;
    TLinkLabel* www = nullptr;
    TLinkLabel* Mail = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label4 = nullptr;
    TBevelPanel* Panel2 = nullptr;
    TGIFAnimator* Gif_Anime = nullptr;
    TBevelPanel* Panel3 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* M1 = nullptr;
    QLabel* M2 = nullptr;
    QPushButton* OKButton = nullptr;

    void FormCreate();
    void Panel1MouseMove();
    void wwwMouseMove();
    void wwwMouseDown();
    void MailMouseMove();
    void MailMouseDown();
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreatePanel1();
    void CreateTexts();
    void CreateLinks();
    void CreateVersion();
    void CreateMailCaption();
    void CreateLogoPanel();
    TGIFAnimator* CreateLogo(QWidget* parent);
    void CreateMemoryBox();
    void ConnectHandlers();
    void FitMemoryBox();
    bool OnPanel1Surface(const QEvent* event) const;
    bool FrameUnknown() const;
    void CentreOnScreen();
    void CentreOnceFrameKnown();

    // Set by a showing whose window manager's frame is not known yet.
    bool awaitingFrame_ = false;
};

// The program's one About window, set while it exists.
extern TAPropos_Frm* APropos_Frm;

} // namespace scindra
