// The new-games window: captions, buttons, the list and the double-click
// questions and browser hand-off.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "CatalogueTestPages.h"
#include "NewGamesWindow.h"
#include "PageServer.h"
#include "QtTestApp.h"

using namespace parvel::ui;
using namespace parvel::catalogue;

namespace {

struct Question {
    QString title, text;
};

struct Window {
    explicit Window(quint16 port, CatalogueHosts hosts = {"127.0.0.1", "web.test", "127.0.0.1"})
        : form(std::move(hosts)) {
        form.fetch().setPort(port);
        form.setAsker([this](const QString& title, const QString& text) {
            asked.push_back({title, text});
            const bool yes = !answers.empty() && answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            return yes;
        });
        form.setOpener([this](const QUrl& url) { opened.push_back(url.toString()); });
    }
    bool finish() { return waitFor([&] { return !form.fetch().busy(); }); }
    QStringList items() const {
        QStringList l;
        for (int i = 0; i < form.List1->count(); ++i) l << form.List1->item(i)->text();
        return l;
    }
    void doubleClick(int row) {
        form.List1->setCurrentRow(row);
        form.List1_DblClick();
    }

    NewGamesWindow form;
    std::vector<Question> asked;
    std::vector<bool> answers;
    QStringList opened;
};

}  // namespace

TEST(NewGamesWindow, CaptionsAsDesigned) {
    NewGamesWindow form;
    EXPECT_EQ(form.windowTitle(), "New Game Checker!");
    EXPECT_EQ(form.Command1->text(), "Check For New Tavishow Games!");
    EXPECT_EQ(form.Command2->text(), "Get Tavi Game List!");
    EXPECT_EQ(form.Command3->text(), "Get List of Parvel enhansed games");
    EXPECT_EQ(form.Label1->text(), "Double-Click on Game for more info!");
    EXPECT_EQ(form.List1->count(), 0);
}

TEST(NewGamesWindow, ButtonWithoutHostSaysHowToSetIt) {
    NewGamesWindow form;
    form.Command1->click();
    EXPECT_EQ(form.error(), "Set CatalogueHost in section [Parvel] of Parvel.ini");
    form.Command3->click();
    EXPECT_EQ(form.error(), "Set EnhancedHost in section [Parvel] of Parvel.ini");
    // In the window, not in its title, where it would be cut off.
    EXPECT_EQ(form.windowTitle(), "New Game Checker!");
}

TEST(NewGamesWindow, ListShowsScrapedNamesAsPlainText) {
    PageServer server(PageServer::Mode::Serve, cataloguePage() + catalogueRow("e", "Caf\xE9 <", "", ""));
    Window w(server.port());
    w.form.Command2->click();
    ASSERT_TRUE(w.finish());
    EXPECT_EQ(w.items(), (QStringList{"Castle Quest", "Frog &amp; Toad", "Castle Quest", "Moon",
                                      QString::fromUtf8("Caf\xC3\xA9 ")}));
    EXPECT_EQ(w.form.windowTitle(), "Games found: 5");
}

TEST(NewGamesWindow, CatalogueDoubleClickOffersEachEntryUntilYes) {
    PageServer server(PageServer::Mode::Serve, cataloguePage());
    Window w(server.port());
    w.form.Command1->click();
    ASSERT_TRUE(w.finish());
    w.answers = {false, true};
    w.doubleClick(2);  // the second "Castle Quest": the search still starts at the first
    ASSERT_EQ(w.asked.size(), 2u);
    EXPECT_EQ(w.asked[0].title, "Parvel");
    EXPECT_EQ(w.asked[0].text,
              "Castle Quest written by Jo Smith\rA dark castle.\r"
              "Would you like to visit the download page?");
    EXPECT_EQ(w.asked[1].text,
              "Castle Quest written by Jo Smith\rThe remake.\r"
              "Would you like to visit the download page?");
    EXPECT_EQ(w.opened, QStringList{"http://web.test/tshow/pages/castle2.html"});
}

TEST(NewGamesWindow, CatalogueYesWithoutWebHostSaysHowToSetIt) {
    PageServer server(PageServer::Mode::Serve, cataloguePage());
    Window w(server.port(), {"127.0.0.1", "", ""});
    w.form.Command2->click();
    ASSERT_TRUE(w.finish());
    w.answers = {true};
    w.doubleClick(0);
    EXPECT_TRUE(w.opened.isEmpty());
    EXPECT_EQ(w.form.error(), "Set CatalogueWebHost in section [Parvel] of Parvel.ini");
}

TEST(NewGamesWindow, EnhancedDoubleClickOffersTheFirstMatchOnly) {
    PageServer server(PageServer::Mode::Serve,
                      enhancedPage() + enhancedEntry("Star Quest <", "Again", "Someone"));
    Window w(server.port(), {"cat.test", "web.test", "127.0.0.1"});
    w.form.Command3->click();
    ASSERT_TRUE(w.finish());
    EXPECT_EQ(w.items(), (QStringList{"Star Quest", "Tigh", "Deep Sea", "Star Quest"}));
    w.answers = {false, true};
    w.doubleClick(3);
    ASSERT_EQ(w.asked.size(), 1u);
    EXPECT_EQ(w.asked[0].title, "Parvel - Visit page?");
    EXPECT_EQ(w.asked[0].text,
              "Star Quest written by: Ann Lee\rSpace adventure\r"
              "Would you like to visit the download page?");
    EXPECT_TRUE(w.opened.isEmpty());
    w.answers = {true};
    w.doubleClick(0);
    EXPECT_EQ(w.opened, QStringList{"http://127.0.0.1/gaming/parvel/"});
}

TEST(NewGamesWindow, QuestionBoxShowsPlainTextOnSeparateLines) {
    // The default asker: a real message box, answered No from a timer.
    NewGamesWindow form({"127.0.0.1", "web.test", ""});
    QStringList opened;
    form.setOpener([&](const QUrl& u) { opened << u.toString(); });
    PageServer plain(PageServer::Mode::Serve,
                     catalogueHead() + catalogueRow("b", "Bold &amp; <Brave", "by B", "x"));
    form.fetch().setPort(plain.port());
    form.Command2->click();
    ASSERT_TRUE(waitFor([&] { return !form.fetch().busy(); }));
    ASSERT_EQ(form.List1->count(), 1);
    EXPECT_EQ(form.List1->item(0)->text(), "Bold &amp; ");
    Qt::TextFormat format = Qt::RichText;
    QString text, title;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        format = box->textFormat();
        text = box->text();
        title = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    form.List1->setCurrentRow(0);
    form.List1_DblClick();
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(title, "Parvel");
    EXPECT_EQ(text, "Bold &amp;  written by B\nx\nWould you like to visit the download page?");
    EXPECT_TRUE(opened.isEmpty());
}
