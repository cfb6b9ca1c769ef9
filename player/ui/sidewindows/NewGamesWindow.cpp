#include "NewGamesWindow.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "Desktop.h"
#include "TextCodec.h"

namespace parvel::ui {

using namespace catalogue;

namespace {

QString fromCp1252(std::string_view s) { return QString::fromStdString(cp1252ToUtf8(s)); }

// Scraped text is shown as plain text: a name like "<b>x</b>" must not
// become markup. The pages separate lines with a bare CR.
bool askYesNo(QWidget* parent, const QString& title, const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::Question, title, shown, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace

NewGamesWindow::NewGamesWindow(CatalogueHosts hosts, QWidget* parent) : QWidget(parent), m_fetch(newPageFetch(*this)) {
    m_fetch->setHosts(std::move(hosts));
    m_ask = [this](const QString& title, const QString& text) {
        return askYesNo(this, title, text);
    };
    m_open = [](const QUrl& url) { openWebPage(url); };

    setWindowTitle(QStringLiteral("New Game Checker!"));
    Command1 = new QPushButton(QStringLiteral("Check For New Tavishow Games!"), this);
    Command2 = new QPushButton(QStringLiteral("Get Tavi Game List!"), this);
    Command3 = new QPushButton(QStringLiteral("Get List of Parvel enhansed games"), this);
    List1 = new QListWidget(this);
    Label1 = new QLabel(QStringLiteral("Double-Click on Game for more info!"), this);
    Label1->setTextFormat(Qt::PlainText);
    m_error = new QLabel(this);
    m_error->setObjectName("fetchError");
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
    m_error->hide();
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2),
                       static_cast<QWidget*>(Command3), static_cast<QWidget*>(List1),
                       static_cast<QWidget*>(m_error), static_cast<QWidget*>(Label1)})
        layout->addWidget(w);
    resize(360, 420);

    connect(Command1, &QPushButton::clicked, this, &NewGamesWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &NewGamesWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &NewGamesWindow::Command3_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &NewGamesWindow::List1_DblClick);
}

NewGamesWindow::~NewGamesWindow() = default;

void NewGamesWindow::setHosts(CatalogueHosts hosts) { m_fetch->setHosts(std::move(hosts)); }

void NewGamesWindow::Command1_Click() { m_fetch->start(kNewGamesPage); }
void NewGamesWindow::Command2_Click() { m_fetch->start(kGameListPage); }
void NewGamesWindow::Command3_Click() { m_fetch->start(kEnhancedPage); }

void NewGamesWindow::TrimGames() { m_fetch->TrimGames(); }
void NewGamesWindow::TrimNGames() { m_fetch->TrimNGames(); }

void NewGamesWindow::List1_DblClick() {
    const int row = List1->currentRow();
    if (row < 0 || row >= static_cast<int>(m_names.size())) return;
    // Copies: answering a question lets events run, and a new fetch may
    // change the page text and the list meanwhile.
    const std::string selected = m_names[static_cast<size_t>(row)];
    const std::string page = m_fetch->pageText();
    const CatalogueHosts hosts = m_fetch->hosts();
    if (m_fetch->pageKind() == PageKind::Enhanced) {
        const auto offer = enhancedOffer(page, selected);
        if (!offer || !m_ask(fromCp1252(offer->title), fromCp1252(offer->text))) return;
        if (hosts.enhanced.empty()) showError(missingHostText(kEnhancedHostKey));
        else m_open(enhancedPageUrl(hosts.enhanced));
        return;
    }
    for (const auto& offer : catalogueOffers(page, selected)) {
        if (!m_ask(fromCp1252(offer.title), fromCp1252(offer.text))) continue;
        if (hosts.catalogueWeb.empty()) showError(missingHostText(kCatalogueWebHostKey));
        else m_open(catalogueGameUrl(hosts.catalogueWeb, offer.pageName));
        return;
    }
}

void NewGamesWindow::setTitle(const std::string& text) { setWindowTitle(fromCp1252(text)); }

// In the window, whole and selectable; the title keeps the last progress.
void NewGamesWindow::showError(const std::string& text) {
    m_error->setText(fromCp1252(text));
    m_error->show();
}

QString NewGamesWindow::error() const { return m_error->isHidden() ? QString() : m_error->text(); }

void NewGamesWindow::clearList() {
    m_names.clear();
    List1->clear();
    m_error->hide();
}

void NewGamesWindow::addName(const std::string& name) {
    m_names.push_back(name);
    List1->addItem(fromCp1252(name));  // item text is never markup
}

void NewGamesWindow::processEvents() { QApplication::processEvents(); }

}  // namespace parvel::ui
