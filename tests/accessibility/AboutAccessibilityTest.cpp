// The About window as a screen reader sees it: the links can be followed
// without a mouse, the separator and the logo say what they are, and nothing
// that takes the focus is nameless.

#include "animation/GIFAnimator.h"
#include "platform/UrlOpener.h"
#include "tests/accessibility/AccessibleTree.h"
#include "tests/support/QtPrinters.h"
#include "ui/about/TAPropos_Frm.h"
#include "ui/about/TBevelPanel.h"
#include "ui/about/TLinkLabel.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace scindra {
namespace {

TEST(AboutAccessibility, LinksOfferThePressActionWhichOpensTheirAddress)
{
    std::vector<QUrl> opened;
    ScopedUrlOpener opener([&](const QUrl& address) { opened.push_back(address); });
    TAPropos_Frm window;
    window.show();

    const std::pair<TLinkLabel*, QString> links[] = {{window.www, "https://scindra.org"},
                                                     {window.Mail, "mailto:contact@scindra.org"}};
    for (const auto& [label, address] : links) {
        SCOPED_TRACE(address.toStdString());
        QAccessibleInterface* link = Of(label);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->role(), QAccessible::Link);
        EXPECT_EQ(link->text(QAccessible::Name), label->text());
        QAccessibleActionInterface* actions = link->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));

        opened.clear();
        actions->doAction(QAccessibleActionInterface::pressAction());
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened.front().toString(), address);
        // The action leaves the keyboard where it was: the links stay out of
        // the focus chain and OK keeps the focus.
        EXPECT_FALSE(link->state().focusable);
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(window.focusWidget(), window.OKButton);
}

TEST(AboutAccessibility, SeparatorAndLogoAnnounceWhatTheyAreAndFocusableControlsAreNamed)
{
    TAPropos_Frm window;
    window.show();
    EXPECT_EQ(Of(window.Panel3)->role(), QAccessible::Separator);
    QAccessibleInterface* logo = Of(window.Gif_Anime);
    EXPECT_EQ(logo->role(), QAccessible::Animation);
    EXPECT_EQ(logo->text(QAccessible::Name), QStringLiteral("Logo de Scindra"));

    // Both new roles are reached from the window, not only when asked for.
    std::vector<QAccessibleInterface*> nodes;
    Walk(Of(&window), nodes);
    for (QAccessibleInterface* node : nodes) {
        if (node->state().focusable) {
            EXPECT_FALSE(node->text(QAccessible::Name).trimmed().isEmpty())
                << (node->object() ? node->object()->metaObject()->className() : "?");
        }
    }
    for (QAccessible::Role role : {QAccessible::Separator, QAccessible::Animation, QAccessible::Link})
        EXPECT_TRUE(std::any_of(nodes.begin(), nodes.end(), [role](auto* node) { return node->role() == role; }))
            << role;
}

} // namespace
} // namespace scindra
