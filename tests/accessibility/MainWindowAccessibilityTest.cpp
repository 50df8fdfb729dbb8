// The main window as a screen reader sees it: every control that can take the
// focus must announce itself, each input by the label written in front of it
// and with its hint read out as the description.

#include "controls/TDirectoryEdit.h"
#include "controls/TEditInteger.h"
#include "controls/TFilenameEdit.h"
#include "tests/support/QtPrinters.h"
#include "ui/main/TScindra.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <functional>
#include <vector>

namespace scindra {
namespace {

// A readable path of an accessible node for failure messages.
QString Describe(QAccessibleInterface* node)
{
    QString path;
    for (QAccessibleInterface* at = node; at; at = at->parent()) {
        const QObject* object = at->object();
        const QString part = object && !object->objectName().isEmpty()
            ? object->objectName()
            : QString::fromLatin1(object ? object->metaObject()->className() : "?");
        path.prepend(QStringLiteral("/") + part + QStringLiteral("(role %1)").arg(int(at->role())));
        if (object && object->isWidgetType() && static_cast<const QWidget*>(object)->isWindow())
            break;
    }
    return path;
}

// Every node below the root, depth first. The walk is bounded: a cycle in
// the tree would be a fault of its own, not a reason to hang.
void Walk(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& visit, int depth = 0)
{
    ASSERT_LT(depth, 40) << "the accessible tree is deeper than any window could be: " << Describe(node).toStdString();
    visit(node);
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i))
            Walk(child, visit, depth + 1);
    }
}

class MainWindowAccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override { window.show(); }

    QAccessibleInterface* Of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

    TScindra window;
};

// Both pages, with everything enabled as after a validation: a disabled or
// hidden control must not escape the walk just because of the moment chosen.
TEST_F(MainWindowAccessibilityTest, NoFocusableControlIsNameless)
{
    for (QWidget* page : {window.TabSheet1, window.TabSheet2}) {
        window.PageControl1->setCurrentWidget(page);
        std::vector<QString> nameless;
        int focusable = 0;
        Walk(Of(&window), [&](QAccessibleInterface* node) {
            if (!node->state().focusable)
                return;
            ++focusable;
            if (node->text(QAccessible::Name).trimmed().isEmpty())
                nameless.push_back(Describe(node));
        });
        EXPECT_GE(focusable, 8) << "the walk did not reach the page's controls";
        for (const QString& path : nameless)
            ADD_FAILURE() << "nameless focusable control " << path.toStdString();
    }
}

// A screen reader announces an input by the text a sighted user reads next to
// it, and the label points back at the input it describes.
TEST_F(MainWindowAccessibilityTest, InputsAreNamedByTheirLabelsAndDescribedByTheirHints)
{
    struct Case {
        QWidget* input;
        QLabel* label;
        QString hint;
    };
    const Case cases[] = {
        {window.SourcePath_Edit, window.Label8, QStringLiteral("Choisissez un fichier à découper...")},
        {window.SourcePath1_Edit, window.Label9, QStringLiteral("Choisissez le dossier de destination...")},
        {window.Nombre_Edit, window.Label2, QStringLiteral("Nombre de fichiers qui seront crées...")},
        {window.Nom_Edit, window.Label1, QStringLiteral("Entrez un nouveau nom...")},
        {window.TailleActuel_Edit, window.Label5, QString()},
        {window.TailleNouvelle_Edit, window.Label3, QString()},
        {window.Destination001_Edit, window.Label7, QStringLiteral("Fichier avec extension \"001\"...")},
        {window.Destination_Edit, window.FichierEXT_Label, QStringLiteral("Ajoutez  l'extension de l'original...")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label->text().toStdString());
        QAccessibleInterface* input = Of(c.input);
        ASSERT_NE(input, nullptr);
        // On Linux the toolkit gives a combo box its value as name and
        // announces it through the label relation alone.
        if (!qobject_cast<QComboBox*>(c.input)) {
            EXPECT_EQ(input->text(QAccessible::Name), c.label->text());
        }
        EXPECT_EQ(input->text(QAccessible::Description), c.hint);
        // The group box around an input labels it as well; its own label
        // must be among them.
        const auto labels = input->relations(QAccessible::Label);
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                [&](const auto& relation) { return relation.first->object() == c.label; }));
        // No mnemonic: the label gives no key that would move the focus.
        EXPECT_FALSE(c.label->text().contains(u'&'));
    }
}

// The destination's label grows with every validation; the name follows it.
TEST_F(MainWindowAccessibilityTest, TheDestinationNameFollowsItsLabel)
{
    window.FichierEXT_Label->setText(window.FichierEXT_Label->text() + QStringLiteral(" .avi:"));
    EXPECT_EQ(Of(window.Destination_Edit)->text(QAccessible::Name), QStringLiteral("Destination : .avi:"));
}

TEST_F(MainWindowAccessibilityTest, ThePieceListAndTheProgressBarHaveNames)
{
    for (QWidget* widget : std::initializer_list<QWidget*>{window.Nom_ListView, window.ProgressBar}) {
        SCOPED_TRACE(widget->metaObject()->className());
        EXPECT_FALSE(Of(widget)->text(QAccessible::Name).isEmpty());
    }
    EXPECT_EQ(Of(window.Nom_ListView)->text(QAccessible::Description), window.Nom_ListView->toolTip());
}

} // namespace
} // namespace scindra
