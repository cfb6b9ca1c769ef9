#pragma once
// The new-games checker, "New Game Checker!": fetches one of three web pages, lists the
// games named on it, and offers a listed game's page in the browser.
//
// The main window creates it once with the host names from Parvel.ini
// (section "Parvel": CatalogueHost, CatalogueWebHost, EnhancedHost) and
// shows it from "Check for new Games!"; nothing is fetched until a button is
// clicked. An empty host name makes its button say in the title which key
// to set.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PageFetch.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace parvel::ui {

class NewGamesWindow : public QWidget, private catalogue::FetchView {
    Q_OBJECT
public:
    explicit NewGamesWindow(catalogue::CatalogueHosts hosts = {}, QWidget* parent = nullptr);
    ~NewGamesWindow() override;

    void setHosts(catalogue::CatalogueHosts hosts);

    // Scrape the last page into List1.
    void TrimGames();
    void TrimNGames();

    // Yes/No question (title, text); the default is a plain-text message box.
    using Asker = std::function<bool(const QString& title, const QString& text)>;
    // Opens an address in the browser; the default is openWebPage.
    using Opener = std::function<void(const QUrl& url)>;
    void setAsker(Asker a) { m_ask = std::move(a); }
    void setOpener(Opener o) { m_open = std::move(o); }

    catalogue::PageFetch& fetch() { return *m_fetch; }
    QPushButton* Command1 = nullptr;  // "Check For New Tavishow Games!"
    QPushButton* Command2 = nullptr;  // "Get Tavi Game List!"
    QPushButton* Command3 = nullptr;  // "Get List of Parvel enhansed games"
    QListWidget* List1 = nullptr;
    QLabel* Label1 = nullptr;
    // Why the last fetch or visit failed (empty: it did not).
    QString error() const;

public Q_SLOTS:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void List1_DblClick();

private:
    void setTitle(const std::string& text) override;
    void showError(const std::string& text) override;
    void clearList() override;
    void addName(const std::string& name) override;
    void processEvents() override;

    std::unique_ptr<catalogue::PageFetch> m_fetch;  // loads Qt Network with the window
    // The listed names as scraped (Windows-1252), parallel to List1's rows:
    // the double-click compares these bytes, not the displayed text.
    std::vector<std::string> m_names;
    Asker m_ask;
    Opener m_open;
    QLabel* m_error = nullptr;
};

}  // namespace parvel::ui
