#include "app/TApplication.h"

#include "rtl/Exception.h"
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <ostream>

#include "tests/support/QtPrinters.h"

namespace scindra {
namespace {

TEST(TitleFromExecutable, TakesTheNameBeforeItsFirstDotAsAProperName)
{
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"SCINDRA.EXE", "Scindra"},
        {"C:\\Program Files\\Scindra\\SCINDRA.EXE", "Scindra"},
        {"/usr/local/bin/scindra", "Scindra"},
        {"scindra", "Scindra"},
        {"/opt/my.tool.exe", "My"},
        {"/home/x.y/bin/ScInDrA", "Scindra"},  // a dot in a folder does not count
        {"C:\\a/b\\ÉDITEUR.EXE", "Éditeur"},   // either separator, accents change case too
        {"/usr/bin/.hidden", ""},
        {"/usr/bin/", ""},
        {"", ""},
        {"/bin/\U0001D49CBC.exe", "\U0001D49Cbc"},  // a character outside the basic plane stays whole
    };
    for (const auto& c : cases)
        EXPECT_EQ(TitleFromExecutable(QString::fromUtf8(c.path)), QString::fromUtf8(c.title)) << c.path;
}

TEST(ErrorBoxText, AddsAPeriodAfterACharacterAboveIt)
{
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Erreur de lecture du flux", "Erreur de lecture du flux."},
        {"Impossible d'ouvrir le fichier C:\\x\\", "Impossible d'ouvrir le fichier C:\\x\\."},
        {"Nom de fichier incorrect - a/", "Nom de fichier incorrect - a/."},  // "/" is just above "."
        {"valeur 12", "valeur 12."},
        {"Débordement é", "Débordement é."},  // accented letters are above "." too
        {"Fin.", "Fin."},
        {"(dans la parenthèse)", "(dans la parenthèse)"},
        {"entre quotes ''", "entre quotes ''"},
        {"Attention !", "Attention !"},
        {"blanc ", "blanc "},
        {"tiret -", "tiret -"},  // "-" is just below "."
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
}

// What the user sees of one error box.
struct SeenBox {
    bool shown = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    Qt::WindowModality modality = Qt::NonModal;
    bool mouseGrabbed = true;
};

// Answers the next error box with "OK" as soon as its modal loop runs,
// noting what it showed.
void AnswerNextBox(SeenBox& seen)
{
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.shown = true;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        seen.modality = box->windowModality();
        seen.mouseGrabbed = QWidget::mouseGrabber() != nullptr;
        box->button(QMessageBox::Ok)->click();
    });
}

// A grabbed mouse would keep every click from the box: it is released first.
TEST(ShowErrorBox, ShowsOneModalStopBoxWithTheTitleAndPeriod)
{
    QWidget window;
    window.show();
    window.grabMouse();
    ASSERT_EQ(QWidget::mouseGrabber(), &window);

    SeenBox seen;
    AnswerNextBox(seen);
    ShowErrorBox("Scindra", QString::fromUtf8("Impossible d'ouvrir le fichier /x/clip.avi"));

    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.caption, "Scindra");
    EXPECT_EQ(seen.text, QString::fromUtf8("Impossible d'ouvrir le fichier /x/clip.avi."));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);
    EXPECT_FALSE(seen.mouseGrabbed);
}

// Installs a reporter for the length of one test and restores the previous one.
class ScopedReporter {
public:
    explicit ScopedReporter(ErrorReporter reporter) : previous_(SetErrorReporter(std::move(reporter))) {}
    ~ScopedReporter() { SetErrorReporter(std::move(previous_)); }

private:
    ErrorReporter previous_;
};

// A window's outer handler sets a field's text; the field's change handler
// fails. The failure is shown at once, while the outer handler is still
// running, and the outer handler then goes on with its next step.
TEST(Guard, ShowsANestedChangeHandlersErrorAndTheOuterHandlerGoesOn)
{
    QStringList events;
    SeenBox seen;
    ScopedReporter reporter([&](const std::exception& error) {
        AnswerNextBox(seen);
        ShowErrorBox("Scindra", QString::fromUtf8(error.what()));
        events << "box: " + seen.text;
    });

    QPushButton button;
    QLineEdit field;
    QObject::connect(&field, &QLineEdit::textChanged, &field, Guarded([&](const QString& text) {
                         events << "change " + text;
                         throw EFOpenError("/x/clip.avi");
                     }));
    QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&](bool) {
                         events << "outer starts";
                         field.setText("/x/clip.avi");
                         events << "outer goes on";
                     }));

    button.click();

    EXPECT_EQ(events, (QStringList{"outer starts", "change /x/clip.avi",
                                   "box: Impossible d'ouvrir le fichier /x/clip.avi.", "outer goes on"}));
    EXPECT_EQ(field.text(), "/x/clip.avi");
}

TEST(Guard, ShowsNothingForASilentAbort)
{
    int reported = 0;
    ScopedReporter reporter([&](const std::exception&) { ++reported; });
    bool after = false;
    Guard([&] { throw EAbort(); });
    Guard([&] { after = true; });
    EXPECT_EQ(reported, 0);
    EXPECT_TRUE(after);
}

} // namespace
} // namespace scindra
