#pragma once
// The main window: the cutting page "Découpage", the rebuilding page
// "Reconstruire", the status line and the progress bar. Every control is a
// named member at a fixed place; every handler runs through the guard, so an
// error ends that handler only and a nested change handler's error is shown
// before the handler that set the text goes on.

#include <QMainWindow>
#include <QString>

#include "ui/main/BackgroundWork.h"

#include <cstdint>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace scindra {

class TFilenameEdit;
class TDirectoryEdit;
class TEditInteger;

class TScindra : public QMainWindow {
    Q_OBJECT

public:
    explicit TScindra(QWidget* parent = nullptr);
    ~TScindra() override;

    // Size of the area below the menu, at 96 dpi.
    static constexpr int ClientWidth = 618;
    static constexpr int ClientHeight = 321;

    // The status line's single text.
    QString StatusText() const;

    // Menu.
    QMenu* Fichier1 = nullptr;
    QAction* Quitter_Menu = nullptr;
    QMenu* Aide1 = nullptr;
    QAction* APropos_Menu = nullptr;

    // Directly on the window.
    QWidget* Client = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar = nullptr;

    // Page "Découpage".
    QWidget* TabSheet1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label8 = nullptr;
    TFilenameEdit* SourcePath_Edit = nullptr;
    QLabel* Label9 = nullptr;
    TDirectoryEdit* SourcePath1_Edit = nullptr;
    QPushButton* Valider_Btn = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* Nombre_Edit = nullptr;
    QPushButton* Decouper_Btn = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Nom_Edit = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label5 = nullptr;
    TEditInteger* TailleActuel_Edit = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label3 = nullptr;
    TEditInteger* TailleNouvelle_Edit = nullptr;
    QLabel* Label4 = nullptr;
    QTableWidget* Nom_ListView = nullptr;

    // Page "Reconstruire".
    QWidget* TabSheet2 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label7 = nullptr;
    TFilenameEdit* Destination001_Edit = nullptr;
    QLabel* FichierEXT_Label = nullptr;
    TFilenameEdit* Destination_Edit = nullptr;
    QPushButton* Reconstruire_Btn = nullptr;

    // Values shared by the handlers of both pages.
    int64_t TailleFichier = 0;   // size of the source at its last validation
    QString FinNom;              // last characters of the source text, cut at a quote
    QString ExtensionOrigine;    // extension of the validated source, with its dot
    QString FichierSource;       // source file name taken when the last cut started

    // Cutting page.
    void SourcePath_EditChange();
    void SourcePath1_EditChange();
    void Valider_BtnClick();
    void Nom_EditChange();
    void Nom_EditClick();
    void Nombre_EditKeyPress(QChar& key);
    void Decouper_BtnClick();

    // Rebuilding page, page control and menu.
    void Destination001_EditChange();
    void Destination_EditButtonClick();
    void Reconstruire_BtnClick();
    void PageControl1Change();
    void Quitter_MenuClick();
    void APropos_MenuClick();

    // Whether the number field drops this typed character.
    static bool NombreCaractereRefuse(QChar key);

    // Whether a cut or a rebuild is running.
    bool Working() const { return work_ != nullptr; }

protected:
    void showEvent(QShowEvent* event) override;
    // During a cut or a rebuild, asks whether to interrupt it first.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenu();
    void CreateClient();
    void CreateCuttingPage();
    void CreateRebuildingPage();
    void SetTabOrder();
    void ConnectHandlers();
    void SetUpAccessibility();

    void SetStatusText(const QString& text);
    void ClearPieceList();
    int32_t ReadNombre() const;

    // Runs a cut or a rebuild off this thread; `question` is asked when the
    // window is closed meanwhile. The work's error is raised here afterwards.
    void RunWork(const QString& question, const BackgroundWork::Work& work);
    void AskToInterrupt();

    bool centred_ = false;
    bool nomDoubleClick_ = false; // a double-click in the name field is one click
    BackgroundWork* work_ = nullptr; // the cut or rebuild running, if any
    QString question_;               // what closing the window asks meanwhile
    bool asking_ = false;            // that question is on the screen
    bool closeAfterWork_ = false;    // the user chose to interrupt and close
};

} // namespace scindra
