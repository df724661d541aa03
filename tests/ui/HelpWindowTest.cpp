// The help window: the guide loads from the resources with its title, every link inside the
// page has its anchor, and the window opens beside the main window at a section.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>

#include "ui/extras/HelpWindow.h"

using namespace kinetra::ui;

TEST(HelpWindow, GuideLoadsAndEveryInternalLinkHasItsAnchor) {
    THelpWindow help;
    EXPECT_EQ(help.windowTitle(), "Kinetra help");
    EXPECT_FALSE(help.isModal());
    QTextDocument* doc = help.Browser()->document();
    EXPECT_EQ(doc->metaInformation(QTextDocument::DocumentTitle), "Kinetra help");
    EXPECT_GT(doc->toPlainText().size(), 1000);

    QSet<QString> anchors;
    QStringList links;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (const QString& name : format.anchorNames()) anchors.insert(name);
            if (format.isAnchor() && format.anchorHref().startsWith('#')) links << format.anchorHref().mid(1);
        }
    }
    // The contents line alone links every section.
    EXPECT_GE(links.size(), 10);
    for (const QString& link : links) EXPECT_TRUE(anchors.contains(link)) << link.toStdString();

    // Opening at a section scrolls there; Close hides the window.
    help.ShowAt(QStringLiteral("batch"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_GT(help.Browser()->verticalScrollBar()->value(), 0);
    help.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
    EXPECT_FALSE(help.isVisible());
}
