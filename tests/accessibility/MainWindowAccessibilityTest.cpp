// The main window as a screen reader sees it: every control that can take the
// focus must announce itself, each input by the label written in front of it.

#include "controls/TDirectoryEdit.h"
#include "controls/TEditInteger.h"
#include "controls/TFilenameEdit.h"
#include "tests/accessibility/AccessibleTree.h"
#include "tests/support/QtPrinters.h"
#include "ui/main/TScindra.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableWidget>

#include <algorithm>
#include <vector>

namespace scindra {
namespace {

// Both pages: a hidden control must not escape the walk just because of the
// page chosen.
TEST(MainWindowAccessibility, NoFocusableControlIsNamelessAndInputsAreNamedByTheirLabels)
{
    TScindra window;
    window.show();
    for (QWidget* page : {window.TabSheet1, window.TabSheet2}) {
        window.PageControl1->setCurrentWidget(page);
        std::vector<QAccessibleInterface*> nodes;
        Walk(Of(&window), nodes);
        int focusable = 0;
        for (QAccessibleInterface* node : nodes) {
            if (!node->state().focusable)
                continue;
            ++focusable;
            const QObject* object = node->object();
            EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
                << (object ? object->objectName().toStdString() + " " + object->metaObject()->className() : "?");
        }
        EXPECT_GE(focusable, 8) << "the walk did not reach the page's controls";
    }

    // A screen reader announces an input by the text a sighted user reads next
    // to it, and the label points back at the input it describes.
    const std::pair<QWidget*, QLabel*> inputs[] = {
        {window.SourcePath_Edit, window.Label8},       {window.SourcePath1_Edit, window.Label9},
        {window.Nombre_Edit, window.Label2},           {window.Nom_Edit, window.Label1},
        {window.TailleActuel_Edit, window.Label5},     {window.TailleNouvelle_Edit, window.Label3},
        {window.Destination001_Edit, window.Label7},   {window.Destination_Edit, window.FichierEXT_Label},
    };
    for (const auto& [widget, label] : inputs) {
        SCOPED_TRACE(label->text().toStdString());
        QAccessibleInterface* input = Of(widget);
        ASSERT_NE(input, nullptr);
        // On Linux the toolkit gives a combo box its value as name and
        // announces it through the label relation alone.
        if (!qobject_cast<QComboBox*>(widget)) {
            EXPECT_EQ(input->text(QAccessible::Name), label->text());
        }
        // The group box around an input labels it as well; its own label
        // must be among them.
        const auto labels = input->relations(QAccessible::Label);
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                [&](const auto& relation) { return relation.first->object() == label; }));
    }
    // The destination's label grows with every validation; the name follows it.
    window.FichierEXT_Label->setText(window.FichierEXT_Label->text() + QStringLiteral(" .avi:"));
    EXPECT_EQ(Of(window.Destination_Edit)->text(QAccessible::Name), QStringLiteral("Destination : .avi:"));
    EXPECT_FALSE(Of(window.ProgressBar)->text(QAccessible::Name).isEmpty());
}

// The browse buttons show a picture and no text. Each is named by the hint a
// mouse user sees over it: its own, or else the edit's, and it follows
// either when it changes.
TEST(MainWindowAccessibility, BrowseButtonsAreNamedByTheirHints)
{
    TScindra window;
    const TCustomComboEdit* edits[] = {window.SourcePath_Edit, window.SourcePath1_Edit,
                                       window.Destination001_Edit, window.Destination_Edit};
    for (const TCustomComboEdit* edit : edits) {
        ASSERT_FALSE(edit->toolTip().isEmpty()) << edit->objectName().toStdString();
        EXPECT_EQ(Of(edit->Button())->text(QAccessible::Name), edit->toolTip());
    }

    TFilenameEdit edit;
    const struct { QString editHint, buttonHint, name; } steps[] = {
        {"Fichier", "", "Fichier"}, {"Fichier", "Parcourir", "Parcourir"},
        {"Autre", "Parcourir", "Parcourir"}, {"Autre", "", "Autre"}};
    for (const auto& step : steps) {
        edit.setToolTip(step.editHint);
        edit.SetButtonHint(step.buttonHint);
        EXPECT_EQ(Of(edit.Button())->text(QAccessible::Name), step.name)
            << step.editHint.toStdString() << " / " << step.buttonHint.toStdString();
    }
}

} // namespace
} // namespace scindra
