#include "help/HelpCommands.h"

#include <gtest/gtest.h>

#include <QPoint>

#include <vector>

#include "help/HelpLinks.h"
#include "help/THTMLHelpViewer.h"
#include "help/TconHTMLHelp.h"

using namespace pictavo::HelpCommands;

TEST(HtmlHelpCallFor, TranslatesEveryClassicCommand) {
    const std::uintptr_t data = 0x5678;
    const struct {
        unsigned command;
        HtmlHelpCall expected;
    } cases[] = {
        {1, {15, data}},   // show context
        {8, {15, data}},   // show context in a pop-up
        {2, {18, 0}},      // quit
        {3, {1, 0}},       // contents
        {11, {0, data}},   // finder
        {257, {2, data}},  // keyword
        {13, {0, 0}},      // pop-up position: any other
        {0, {0, 0}},      {4, {0, 0}}, {258, {0, 0}}, {0xffffffffu, {0, 0}},
    };
    for (const auto& c : cases) {
        const HtmlHelpCall call = HtmlHelpCallFor(c.command, data);
        EXPECT_EQ(call.command, c.expected.command) << c.command;
        EXPECT_EQ(call.data, c.expected.data) << c.command;
    }
}

namespace {

struct Recorded {
    QString file;
    unsigned command;
    std::uintptr_t data;
};

}  // namespace

TEST(THTMLHelpViewer, EveryRequestOpensTheDefaultTopicThenTheContext) {
    std::vector<Recorded> calls;
    TconHTMLHelp handler(QStringLiteral("Pictavo.qch"),
                         [&](const QString& file, unsigned command, std::uintptr_t data) {
                             calls.push_back({file, command, data});
                         });
    THTMLHelpViewer viewer(handler);
    EXPECT_EQ(THTMLHelpViewer::GetViewerName(), QStringLiteral("D6OnHelpFix"));
    EXPECT_TRUE(viewer.UnderstandsContext(1));
    EXPECT_TRUE(viewer.UnderstandsContext(0));

    for (int request = 1; request <= 3; ++request) {
        viewer.DisplayHelpContext(1, QPoint(265, 106));
        ASSERT_EQ(calls.size(), static_cast<std::size_t>(2 * request));
        const Recorded& topic = calls[calls.size() - 2];
        const Recorded& context = calls.back();
        EXPECT_EQ(topic.file, QStringLiteral("Pictavo.qch"));
        EXPECT_EQ(topic.command, kDisplayTopic);
        EXPECT_EQ(topic.data, 0u);
        EXPECT_EQ(context.file, QStringLiteral("Pictavo.qch"));
        EXPECT_EQ(context.command, kHelpContextHH);
        EXPECT_EQ(context.data, 1u);
    }
}

TEST(TconHTMLHelp, ReportsEveryRequestHandled) {
    int calls = 0;
    TconHTMLHelp handler(QStringLiteral("Pictavo.qch"),
                         [&](const QString&, unsigned, std::uintptr_t) { ++calls; });
    for (const unsigned command : {1u, 2u, 3u, 8u, 11u, 13u, 257u, 999u}) {
        EXPECT_TRUE(handler.ApplicationHelp(command, 0)) << command;
    }
    EXPECT_EQ(calls, 8);
    // Even with nothing to show it in.
    TconHTMLHelp noViewer(QStringLiteral("Pictavo.qch"), {});
    EXPECT_TRUE(noViewer.ApplicationHelp(1, 1));
}

TEST(HelpLinks, PagesStayInTheHelpWebAndMailGoToTheDesktopTheRestIsIgnored) {
    using pictavo::HelpLinks::Target;
    const struct {
        const char* link;
        Target expected;
    } cases[] = {
        {"qthelp://example.vornholt.pictavo.2/doc/keys.html", Target::Page},
        {"qthelp://example.vornholt.pictavo.2/doc/options.html#upright", Target::Page},
        {"QTHELP://example.vornholt.pictavo.2/doc/keys.html", Target::Page},
        {"https://www.vornholt.example/", Target::Desktop},
        {"http://www.vornholt.example/prints", Target::Desktop},
        {"mailto:prints@vornholt.example", Target::Desktop},
        {"https:///no-host", Target::Ignore},
        {"mailto:", Target::Ignore},
        {"file:///etc/passwd", Target::Ignore},
        {"javascript:alert(1)", Target::Ignore},
        {"ftp://www.vornholt.example/", Target::Ignore},
        {"keys.html", Target::Ignore},  // unresolved: belongs to no page
        {"", Target::Ignore},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pictavo::HelpLinks::TargetOf(QUrl(QString::fromLatin1(c.link))), c.expected)
            << c.link;
    }
}
